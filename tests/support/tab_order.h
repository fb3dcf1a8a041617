#pragma once
// Walks a window's Tab order with real Tab key presses, as a user would, and
// names each stop: the control's object name, or for a part of a compound
// control (an octet of an address box, an item of a radio group) the name of
// the named control it belongs to.
#include <QApplication>
#include <QStringList>
#include <QTest>
#include <QWidget>

namespace quillmar::test {

inline QString stopName(const QWidget* widget)
{
    for (const QWidget* named = widget; named; named = named->parentWidget()) {
        if (!named->objectName().isEmpty() && !named->objectName().startsWith(QLatin1String("octet"))
            && !named->objectName().startsWith(QLatin1String("qt_")))
            return named->objectName();
    }
    return QStringLiteral("(unnamed)");
}

// Gives `first` the focus and presses Tab `count` - 1 times: the stops in order,
// `first` included.
inline QStringList tabStops(QWidget* window, QWidget* first, int count)
{
    window->activateWindow();
    QApplication::setActiveWindow(window);
    first->setFocus(Qt::TabFocusReason);
    QStringList stops;
    for (int i = 0; i < count; ++i) {
        QWidget* focused = QApplication::focusWidget();
        stops << (focused ? stopName(focused) : QStringLiteral("(none)"));
        if (i + 1 < count)
            QTest::keyClick(focused ? focused : window, Qt::Key_Tab);
    }
    return stops;
}

}  // namespace quillmar::test
