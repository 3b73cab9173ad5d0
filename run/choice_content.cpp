#include "run/choice_content.h"

#include "data/codepage.h"
#include "data/dataset.h"
#include "data/field.h"
#include "data/sealed_fields.h"
#include "data/split_text.h"
#include "data/test_database.h"

namespace lovetest {

namespace {

void addItems(ChoiceContent &content, const QList<QByteArray> &values, const QList<QByteArray> &captions)
{
    for (qsizetype i = 0; i < values.size(); ++i) {
        if (i >= captions.size()) {
            content.error = QStringLiteral("List index out of bounds (%1)").arg(i);
            return;
        }
        content.items.append({fromCp936(captions[i]), fromCp936(values[i])});
    }
}

} // namespace

ChoiceContent questionContent(TestDatabase &database, SealedFields &sealed, int number, int total)
{
    Dataset &questions = database.questions;
    ChoiceContent content;
    const QString text = fromCp936(sealed.unseal(*questions.fieldByName(QStringLiteral("Name"))));
    content.caption = QStringLiteral("%1-%2.%3    ").arg(total).arg(number).arg(text);
    addItems(content, sealed.unsealList(*questions.fieldByName(QStringLiteral("分值范围")), kValueSeparator),
             sealed.unsealList(*questions.fieldByName(QStringLiteral("结果")), kTextSeparator));
    return content;
}

ChoiceContent categoryContent(TestDatabase &database, SealedFields &sealed)
{
    Dataset &catalog = database.catalog;
    ChoiceContent content;
    content.caption = QStringLiteral("请选择");
    addItems(content, sealed.unsealList(*catalog.fieldByName(QStringLiteral("分值范围")), kValueSeparator),
             sealed.unsealList(*catalog.fieldByName(QStringLiteral("结果")), kTextSeparator));
    return content;
}

} // namespace lovetest
