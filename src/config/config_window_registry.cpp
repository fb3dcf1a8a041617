#include "config/config_window_registry.h"

#include <QPointer>

#include "config/cfg_form.h"

namespace quillmar {

namespace {

QPointer<TcfgForm>& newest()
{
    static QPointer<TcfgForm> form;
    return form;
}

std::function<void()>& passwordDialogOpener()
{
    static std::function<void()> opener;
    return opener;
}

}  // namespace

TcfgForm* newestConfigWindow()
{
    return newest().data();
}

void setNewestConfigWindow(TcfgForm* form)
{
    newest() = form;
}

void setPasswordDialogOpener(std::function<void()> opener)
{
    passwordDialogOpener() = std::move(opener);
}

void openPasswordDialog()
{
    if (passwordDialogOpener())
        passwordDialogOpener()();
}

}  // namespace quillmar
