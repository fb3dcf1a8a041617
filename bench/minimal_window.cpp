// The yardstick of the start-up benchmark: the least a Qt 6 Widgets program
// does to show a window with some text and buttons.
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWidget>

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Minimal"));
    auto* layout = new QVBoxLayout(&window);
    layout->addWidget(new QLabel(QStringLiteral("Choose a printer family")));
    layout->addWidget(new QPushButton(QStringLiteral("OK")));
    window.resize(400, 300);
    window.show();
    return application.exec();
}
