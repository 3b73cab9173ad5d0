#pragma once
#include <QDialog>
#include <QList>
#include <QStringList>

class QLineEdit;

namespace lovetest {

// A small form that asks for a few short texts: a prompt, then one labelled
// line field for each label (a label may carry an "&" mnemonic), OK and
// Cancel. The values are given back trimmed.
class TextsForm : public QDialog {
    Q_OBJECT
public:
    TextsForm(QWidget *parent, const QString &caption, const QString &prompt, const QStringList &labels,
              const QStringList &values);

    QStringList values() const;
    const QList<QLineEdit *> &fields() const { return m_fields; }

    // Long enough for any nickname, short enough for a line of a page.
    static constexpr int kMaxLength = 20;

private:
    QList<QLineEdit *> m_fields;
};

} // namespace lovetest
