#pragma once

#include <QDialog>

class PasteField;
class UsageStore;

// "添加账号": a window-modal sheet for another account's cookie, in the platform's own colours, or
// the Cursor editor's login when it belongs to an account not yet listed. The sheet closes at once;
// the status line says how the service answered.
class AddAccountSheet : public QDialog
{
    Q_OBJECT

public:
    AddAccountSheet(UsageStore* store, QWidget* parent);

private:
    UsageStore* m_store;
    PasteField* m_paste;
};
