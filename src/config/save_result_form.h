#pragma once
// The result table of a save to several printers: one row per printer with
// its name, MAC and address, its verdict (confirmed, not confirmed, no answer,
// refused, ...) and what the read-back found. It stays open after the
// configuration window that saved is closed, until the user closes it.
#include <QWidget>

#include <vector>

#include "write/fleet_save.h"

class QLabel;
class QPushButton;
class QTableWidget;

namespace quillmar {

struct PreviewedPrinter;

class TsaveResultForm : public QWidget {
    Q_OBJECT
public:
    explicit TsaveResultForm(QWidget* parent = nullptr);

    // `verdicts` in the order of `printers`; `readingBack`: the confirmed
    // printers are being asked again.
    void showResults(const std::vector<PreviewedPrinter>& printers, const std::vector<ModuleVerdict>& verdicts,
                     bool readingBack);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    QLabel* Label_summary = nullptr;
    QTableWidget* resultTable = nullptr;
    QPushButton* closeBtn = nullptr;
};

}  // namespace quillmar
