#include "tools/content_json.h"

#include <cmath>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace lovetest::content {

QString describeTest(const Test &test)
{
    QString where = QStringLiteral("test \"%1\"").arg(test.name);
    if (test.id)
        where += QStringLiteral(" (id %1)").arg(*test.id);
    return where;
}

QString describeQuestion(const Test &test, qsizetype questionIndex)
{
    return QStringLiteral("%1, question %2").arg(describeTest(test)).arg(questionIndex + 1);
}

namespace {

[[noreturn]] void fail(const QString &where, const QString &what)
{
    throw ContentError((where + QStringLiteral(": ") + what).toStdString());
}

// A list value: integers are kept as their decimal text, strings as they are
// (the checker reports those that are no integers).
QString valueText(const QJsonValue &value, const QString &where)
{
    if (value.isString())
        return value.toString();
    if (value.isDouble()) {
        const double d = value.toDouble();
        if (std::floor(d) == d && std::fabs(d) < 9.0e15)
            return QString::number(static_cast<qint64>(d));
        return QString::number(d, 'g', 17);
    }
    fail(where, QStringLiteral("a value must be an integer or a text"));
}

QString text(const QJsonObject &object, const char *key, const QString &where, bool required)
{
    const QJsonValue value = object.value(QLatin1String(key));
    if (value.isUndefined() || value.isNull()) {
        if (required)
            fail(where, QStringLiteral("\"%1\" is missing").arg(QLatin1String(key)));
        return {};
    }
    if (!value.isString())
        fail(where, QStringLiteral("\"%1\" must be a text").arg(QLatin1String(key)));
    return value.toString();
}

QJsonArray array(const QJsonObject &object, const char *key, const QString &where, bool required)
{
    const QJsonValue value = object.value(QLatin1String(key));
    if (value.isUndefined() || value.isNull()) {
        if (required)
            fail(where, QStringLiteral("\"%1\" is missing").arg(QLatin1String(key)));
        return {};
    }
    if (!value.isArray())
        fail(where, QStringLiteral("\"%1\" must be a list").arg(QLatin1String(key)));
    return value.toArray();
}

ChoiceList choices(const QJsonArray &pairs, const QString &where, const char *what)
{
    ChoiceList result;
    for (qsizetype i = 0; i < pairs.size(); ++i) {
        const QString at = QStringLiteral("%1, %2 %3").arg(where, QLatin1String(what)).arg(i + 1);
        const QJsonArray pair = pairs.at(i).toArray();
        if (!pairs.at(i).isArray() || pair.size() != 2 || !pair.at(1).isString())
            fail(at, QStringLiteral("must be a [value, caption] pair"));
        result.append(valueText(pair.at(0), at), pair.at(1).toString());
    }
    return result;
}

QStringList values(const QJsonArray &list, const QString &where)
{
    QStringList result;
    for (const QJsonValue &v : list)
        result.append(valueText(v, where));
    return result;
}

Test parseTest(const QJsonValue &value, qsizetype index)
{
    const QString where0 = QStringLiteral("test %1").arg(index + 1);
    if (!value.isObject())
        fail(where0, QStringLiteral("must be an object"));
    const QJsonObject object = value.toObject();
    Test test;
    test.name = text(object, "name", where0, true);
    if (object.contains(QLatin1String("id"))) {
        const QJsonValue id = object.value(QLatin1String("id"));
        if (!id.isDouble() || std::floor(id.toDouble()) != id.toDouble() || id.toDouble() < 1)
            fail(describeTest(test), QStringLiteral("\"id\" must be a positive integer"));
        test.id = static_cast<qint64>(id.toDouble());
    }
    const QString where = describeTest(test);
    test.remarks = text(object, "remarks", where, false);
    if (object.contains(QLatin1String("factor"))) {
        const QJsonValue factor = object.value(QLatin1String("factor"));
        if (!factor.isDouble())
            fail(where, QStringLiteral("\"factor\" must be a number"));
        test.factor = factor.toDouble();
    }
    test.categories = choices(array(object, "categories", where, false), where, "category");
    const QJsonArray questions = array(object, "questions", where, true);
    for (qsizetype q = 0; q < questions.size(); ++q) {
        const QString at = describeQuestion(test, q);
        if (!questions.at(q).isObject())
            fail(at, QStringLiteral("must be an object"));
        const QJsonObject qo = questions.at(q).toObject();
        Question question;
        question.text = text(qo, "text", at, true);
        question.instructions = text(qo, "instructions", at, false);
        question.options = choices(array(qo, "options", at, true), at, "option");
        test.questions.append(question);
    }
    const QJsonArray verdicts = array(object, "verdicts", where, true);
    for (qsizetype v = 0; v < verdicts.size(); ++v) {
        const QString at = QStringLiteral("%1, verdict row %2").arg(where).arg(v + 1);
        if (!verdicts.at(v).isObject())
            fail(at, QStringLiteral("must be an object"));
        const QJsonObject vo = verdicts.at(v).toObject();
        Verdict verdict;
        if (vo.contains(QLatin1String("category")))
            verdict.category = valueText(vo.value(QLatin1String("category")), at);
        verdict.thresholds = values(array(vo, "thresholds", at, true), at);
        for (const QJsonValue &t : array(vo, "texts", at, true)) {
            if (!t.isString())
                fail(at, QStringLiteral("\"texts\" must hold texts"));
            verdict.texts.append(t.toString());
        }
        test.verdicts.append(verdict);
    }
    return test;
}

QJsonValue jsonValue(const QString &valueText)
{
    bool ok = false;
    const qint64 n = valueText.toLongLong(&ok);
    if (ok && QString::number(n) == valueText)
        return QJsonValue(static_cast<double>(n));
    return QJsonValue(valueText);
}

QJsonArray jsonChoices(const ChoiceList &list)
{
    QJsonArray result;
    for (qsizetype i = 0; i < list.size(); ++i)
        result.append(QJsonArray{jsonValue(list.values.value(i)), list.captions.value(i)});
    return result;
}

} // namespace

Content parseContentJson(const QByteArray &json)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError)
        throw ContentError(QStringLiteral("not valid JSON at offset %1: %2")
                               .arg(error.offset)
                               .arg(error.errorString())
                               .toStdString());
    if (!document.isObject() || !document.object().value(QLatin1String("tests")).isArray())
        throw ContentError("the content must be an object with a \"tests\" list");
    Content content;
    const QJsonArray tests = document.object().value(QLatin1String("tests")).toArray();
    for (qsizetype i = 0; i < tests.size(); ++i)
        content.tests.append(parseTest(tests.at(i), i));
    return content;
}

Content readContentFiles(const QStringList &paths)
{
    Content all;
    for (const QString &path : paths) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            throw ContentError(QStringLiteral("%1: %2").arg(path, file.errorString()).toStdString());
        try {
            all.tests += parseContentJson(file.readAll()).tests;
        } catch (const ContentError &e) {
            throw ContentError(QStringLiteral("%1: %2").arg(path, QString::fromUtf8(e.what())).toStdString());
        }
    }
    return all;
}

QByteArray toContentJson(const Content &content)
{
    QJsonArray tests;
    for (const Test &test : content.tests) {
        QJsonObject object;
        if (test.id)
            object.insert(QLatin1String("id"), static_cast<double>(*test.id));
        object.insert(QLatin1String("name"), test.name);
        object.insert(QLatin1String("remarks"), test.remarks);
        object.insert(QLatin1String("factor"), test.factor);
        if (!test.categories.isEmpty())
            object.insert(QLatin1String("categories"), jsonChoices(test.categories));
        QJsonArray questions;
        for (const Question &question : test.questions) {
            QJsonObject qo;
            qo.insert(QLatin1String("text"), question.text);
            if (!question.instructions.isEmpty())
                qo.insert(QLatin1String("instructions"), question.instructions);
            qo.insert(QLatin1String("options"), jsonChoices(question.options));
            questions.append(qo);
        }
        object.insert(QLatin1String("questions"), questions);
        QJsonArray verdicts;
        for (const Verdict &verdict : test.verdicts) {
            QJsonObject vo;
            if (verdict.category)
                vo.insert(QLatin1String("category"), jsonValue(*verdict.category));
            QJsonArray thresholds;
            for (const QString &t : verdict.thresholds)
                thresholds.append(jsonValue(t));
            vo.insert(QLatin1String("thresholds"), thresholds);
            vo.insert(QLatin1String("texts"), QJsonArray::fromStringList(verdict.texts));
            verdicts.append(vo);
        }
        object.insert(QLatin1String("verdicts"), verdicts);
        tests.append(object);
    }
    return QJsonDocument(QJsonObject{{QLatin1String("tests"), tests}}).toJson(QJsonDocument::Indented);
}

} // namespace lovetest::content
