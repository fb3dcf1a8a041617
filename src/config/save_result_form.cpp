#include "config/save_result_form.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

#include "ui/keyboard.h"
#include "write/change_text.h"
#include "write/previewed_save.h"
#include "write/printable.h"

namespace quillmar {

TsaveResultForm::TsaveResultForm(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("saveResultForm"));
    QFont small = font();
    small.setPointSize(8);
    setFont(small);
    auto* layout = new QVBoxLayout(this);
    Label_summary = new QLabel(this);
    Label_summary->setObjectName(QStringLiteral("Label_summary"));
    Label_summary->setWordWrap(true);
    layout->addWidget(Label_summary);
    resultTable = new QTableWidget(0, 5, this);
    resultTable->setObjectName(QStringLiteral("resultTable"));
    resultTable->setHorizontalHeaderLabels({QStringLiteral("Device Name"), QStringLiteral("MAC Address"),
                                            QStringLiteral("IP Address"), QStringLiteral("Verdict"),
                                            QStringLiteral("Read back")});
    resultTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    resultTable->setSelectionBehavior(QAbstractItemView::SelectRows);
    resultTable->verticalHeader()->hide();
    resultTable->horizontalHeader()->setStretchLastSection(true);
    resultTable->setTabKeyNavigation(false);
    resultTable->setAccessibleName(QStringLiteral("Verdict of each printer"));
    layout->addWidget(resultTable, 1);
    closeBtn = new QPushButton(QStringLiteral("Close"), this);
    closeBtn->setObjectName(QStringLiteral("closeBtn"));
    auto* buttons = new QHBoxLayout();
    buttons->addStretch(1);
    buttons->addWidget(closeBtn);
    layout->addLayout(buttons);
    connect(closeBtn, &QPushButton::clicked, this, &QWidget::close);
    pressFocusedButtonOnEnter(this);
    resize(760, 260);
}

void TsaveResultForm::showResults(const std::vector<PreviewedPrinter>& printers,
                                  const std::vector<ModuleVerdict>& verdicts, bool readingBack)
{
    setWindowTitle(QStringLiteral("Save to Module - %1 printers").arg(printers.size()));
    resultTable->setRowCount(int(printers.size()));
    int confirmed = 0;
    for (std::size_t row = 0; row < printers.size(); ++row) {
        const PreviewedPrinter& printer = printers[row];
        const ModuleVerdict verdict = row < verdicts.size() ? verdicts[row] : printer.preview;
        if (verdict.outcome == ModuleVerdict::Outcome::Confirmed)
            ++confirmed;
        QString readBack = readbackLine(verdict);
        if (readBack.isEmpty() && readingBack && verdict.outcome == ModuleVerdict::Outcome::Confirmed)
            readBack = QStringLiteral("reading back...");
        QString verdictCell = windowVerdict(verdict);
        if (verdict.outcome != ModuleVerdict::Outcome::Confirmed && !verdict.message.isEmpty()
            && verdict.outcome != ModuleVerdict::Outcome::NoAnswer)
            verdictCell += QStringLiteral(": ") + verdict.message;
        const QString cells[] = {printable(printer.target.name), printable(printer.target.chosenMac),
                                 printer.addressText, verdictCell, readBack};
        for (int column = 0; column < 5; ++column) {
            auto* item = new QTableWidgetItem(cells[column]);
            item->setToolTip(cells[column]);
            resultTable->setItem(int(row), column, item);
        }
    }
    resultTable->resizeColumnsToContents();
    for (int column = 0; column < 4; ++column)
        resultTable->setColumnWidth(column, std::min(resultTable->columnWidth(column), 240));
    Label_summary->setText(QStringLiteral("%1 of %2 printers confirmed \"Save to Module OK\" in one save time.")
                               .arg(confirmed)
                               .arg(printers.size()));
}

void TsaveResultForm::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

}  // namespace quillmar
