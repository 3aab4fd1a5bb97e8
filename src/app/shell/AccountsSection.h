#pragma once

#include <QList>
#include <QWidget>

class ActionButton;
class QLabel;
class QLineEdit;
class QVBoxLayout;
class UsageStore;

// The settings page's accounts, while there are several: each with its plan and what is left, a
// label of the user's choosing, "设为主账号" and a remove button that asks first, naming the account.
class AccountsSection : public QWidget
{
    Q_OBJECT

public:
    explicit AccountsSection(UsageStore* store, QWidget* parent = nullptr);

    QList<QLineEdit*> labelFields() const { return m_labels; }
    QList<ActionButton*> primaryButtons() const { return m_primaries; }
    QList<ActionButton*> removeButtons() const { return m_removes; }
    // Why the last label was refused; hidden when it was not.
    QLabel* refusal() const { return m_refusal; }

    // The question a removal asks.
    static QString removalQuestion(const QString& account);

private:
    void follow();
    void rebuild(const QStringList& users);
    void askRemoval(const QString& userId);

    UsageStore* m_store;
    QVBoxLayout* m_rows;
    QLabel* m_refusal;
    QStringList m_users; // the accounts the rows were made for, by user id
    QList<QLabel*> m_names;
    QList<QLineEdit*> m_labels;
    QList<ActionButton*> m_primaries;
    QList<ActionButton*> m_removes;
    QList<QLabel*> m_details;
};
