#include "widgets/texts_form.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QVBoxLayout>

namespace lovetest {

TextsForm::TextsForm(QWidget *parent, const QString &caption, const QString &prompt, const QStringList &labels,
                     const QStringList &values)
    : QDialog(parent)
{
    setWindowTitle(caption);
    setObjectName(QStringLiteral("textsForm"));
    auto *layout = new QVBoxLayout(this);
    auto *promptLabel = new QLabel(prompt, this);
    promptLabel->setTextFormat(Qt::PlainText);
    promptLabel->setWordWrap(true);
    layout->addWidget(promptLabel);
    auto *form = new QFormLayout;
    for (qsizetype i = 0; i < labels.size(); ++i) {
        auto *field = new QLineEdit(i < values.size() ? values[i] : QString(), this);
        field->setMaxLength(kMaxLength);
        // Spoken without the mnemonic and the colon: "第一位(&1)：" as "第一位".
        static const QRegularExpression decoration(QStringLiteral("\\(&.\\)|&|[：:]$"));
        field->setAccessibleName(QString(labels[i]).remove(decoration));
        auto *label = new QLabel(labels[i], this);
        label->setBuddy(field);
        form->addRow(label, field);
        m_fields.append(field);
    }
    layout->addLayout(form);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("确定"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("取消"));
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    if (!m_fields.isEmpty()) {
        m_fields.first()->setFocus();
        m_fields.first()->selectAll();
    }
}

QStringList TextsForm::values() const
{
    QStringList texts;
    for (const QLineEdit *field : m_fields)
        texts.append(field->text().trimmed());
    return texts;
}

} // namespace lovetest
