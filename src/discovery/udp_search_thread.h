#pragma once
// The search worker: runs one search on a thread of its own and hands every
// update to the user-interface thread through queued signals. It deletes itself
// when its body ends. It keeps no "searching" state of its starter: the starter
// clears that on its own thread when searchFinished or exceptionRaised arrives,
// so the end of an old search can never be taken for the end of a newer one.
#include <QMetaType>
#include <QString>
#include <QThread>
#include <vector>

#include "discovery/search_engine.h"
#include "discovery/search_progress.h"
#include "platform/local_addresses.h"

namespace quillmar {

class UDPsearchThread : public QThread, private SearchProgress {
    Q_OBJECT
public:
    // The starter connects the signals and then calls start().
    UDPsearchThread(bool broadcast, const QString& address, std::vector<LocalAddress> localAddresses, int printerFamily,
                    SearchTiming timing = {});

    // The stop request, written by the user-interface thread and polled by the
    // worker before each local address and each request.
    void requestStop() { engine_.requestStop(); }

signals:
    void labelChanged(const QString& text);
    void barPositionChanged(int position);
    void barStepped();
    void beepRequested();
    void errorRaised(const QString& text);
    void replyParsed(const quillmar::DeviceEntry& entry);
    // The search ended normally: close the progress window if it is visible.
    void searchFinished();
    // Something escaped the search; the text is the exception's own message.
    void exceptionRaised(const QString& text);

protected:
    void run() override { Execute(); }

private:
    void Execute();

    // SearchProgress, called on the worker thread.
    void setLabel(const std::string& text) override;
    void setBarPosition(int position) override;
    void stepBar() override;
    void beep() override;
    void showError(const std::string& text) override;
    void addRow(const DeviceEntry& entry) override;

    SearchTarget target_;
    std::vector<LocalAddress> localAddresses_;
    SearchEngine engine_;
};

}  // namespace quillmar

Q_DECLARE_METATYPE(quillmar::DeviceEntry)
