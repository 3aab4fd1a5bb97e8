#pragma once

#include <QDialog>

class ActionButton;
class PasteField;
class UsageStore;

// The window-modal sheet for pasting the session cookie, in the platform's own colours. Closing it
// in any way tells the store the sheet is gone; the store closes it after a successful save.
class CookieSheet : public QDialog
{
    Q_OBJECT

public:
    CookieSheet(UsageStore* store, QWidget* parent);

    PasteField* pasteField() const { return m_paste; }
    ActionButton* cancelButton() const { return m_cancel; }
    ActionButton* saveButton() const { return m_save; }
    ActionButton* logoutButton() const { return m_logout; }

private:
    void follow();

    UsageStore* m_store;
    QWidget* m_importRow;
    PasteField* m_paste;
    ActionButton* m_cancel;
    ActionButton* m_logout;
    ActionButton* m_save;
};
