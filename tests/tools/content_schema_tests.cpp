#include <gtest/gtest.h>

#include <cmath>

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "tools/content_check.h"
#include "tools/content_json.h"

using namespace lovetest::content;

namespace {

// Checks a document against the JSON Schema keywords the content schema
// uses. A keyword it does not know fails the check, so the schema cannot
// grow a rule this test silently skips.
class SchemaValidator {
public:
    explicit SchemaValidator(QJsonObject root) : m_root(std::move(root)) {}

    QStringList validate(const QJsonValue &instance)
    {
        m_errors.clear();
        check(m_root, instance, QStringLiteral("$"));
        return m_errors;
    }

private:
    static bool hasType(const QJsonValue &value, const QString &type)
    {
        if (type == QLatin1String("integer"))
            return value.isDouble() && std::floor(value.toDouble()) == value.toDouble();
        if (type == QLatin1String("number"))
            return value.isDouble();
        if (type == QLatin1String("string"))
            return value.isString();
        if (type == QLatin1String("boolean"))
            return value.isBool();
        if (type == QLatin1String("null"))
            return value.isNull();
        if (type == QLatin1String("array"))
            return value.isArray();
        if (type == QLatin1String("object"))
            return value.isObject();
        ADD_FAILURE() << "unknown type " << type.toStdString();
        return false;
    }

    QJsonValue resolve(const QString &ref) const
    {
        const QString prefix = QStringLiteral("#/$defs/");
        EXPECT_TRUE(ref.startsWith(prefix)) << ref.toStdString();
        const QJsonValue target = m_root.value(QStringLiteral("$defs")).toObject().value(ref.mid(prefix.size()));
        EXPECT_FALSE(target.isUndefined()) << ref.toStdString();
        return target;
    }

    bool valid(const QJsonValue &schema, const QJsonValue &instance)
    {
        const QStringList saved = m_errors;
        m_errors.clear();
        check(schema, instance, {});
        const bool ok = m_errors.isEmpty();
        m_errors = saved;
        return ok;
    }

    void fail(const QString &path, const QString &what) { m_errors.append(path + QStringLiteral(": ") + what); }

    void check(const QJsonValue &schemaValue, const QJsonValue &instance, const QString &path)
    {
        if (schemaValue.isBool()) {
            if (!schemaValue.toBool())
                fail(path, QStringLiteral("no value is allowed here"));
            return;
        }
        const QJsonObject schema = schemaValue.toObject();
        for (auto it = schema.begin(); it != schema.end(); ++it) {
            const QString keyword = it.key();
            const QJsonValue rule = it.value();
            if (keyword == QLatin1String("$ref")) {
                check(resolve(rule.toString()), instance, path);
            } else if (keyword == QLatin1String("type")) {
                const QJsonArray types = rule.isArray() ? rule.toArray() : QJsonArray{rule};
                if (std::none_of(types.begin(), types.end(),
                                 [&](const QJsonValue &t) { return hasType(instance, t.toString()); }))
                    fail(path,
                         QStringLiteral("not of type %1")
                             .arg(QString::fromUtf8(QJsonDocument(types).toJson(QJsonDocument::Compact))));
            } else if (keyword == QLatin1String("enum")) {
                if (!rule.toArray().contains(instance))
                    fail(path, QStringLiteral("not one of the allowed values"));
            } else if (keyword == QLatin1String("minimum")) {
                if (instance.isDouble() && instance.toDouble() < rule.toDouble())
                    fail(path, QStringLiteral("below the minimum"));
            } else if (keyword == QLatin1String("maximum")) {
                if (instance.isDouble() && instance.toDouble() > rule.toDouble())
                    fail(path, QStringLiteral("above the maximum"));
            } else if (keyword == QLatin1String("exclusiveMinimum")) {
                if (instance.isDouble() && instance.toDouble() <= rule.toDouble())
                    fail(path, QStringLiteral("not above the minimum"));
            } else if (keyword == QLatin1String("minLength")) {
                if (instance.isString() && instance.toString().size() < rule.toInt())
                    fail(path, QStringLiteral("too short"));
            } else if (keyword == QLatin1String("minItems")) {
                if (instance.isArray() && instance.toArray().size() < rule.toInt())
                    fail(path, QStringLiteral("too few items"));
            } else if (keyword == QLatin1String("maxItems")) {
                if (instance.isArray() && instance.toArray().size() > rule.toInt())
                    fail(path, QStringLiteral("too many items"));
            } else if (keyword == QLatin1String("prefixItems")) {
                const QJsonArray items = instance.toArray();
                for (qsizetype i = 0; i < std::min(items.size(), rule.toArray().size()); ++i)
                    check(rule.toArray()[i], items[i], QStringLiteral("%1[%2]").arg(path).arg(i));
            } else if (keyword == QLatin1String("items")) {
                const QJsonArray items = instance.toArray();
                for (qsizetype i = schema.value(QStringLiteral("prefixItems")).toArray().size(); i < items.size(); ++i)
                    check(rule, items[i], QStringLiteral("%1[%2]").arg(path).arg(i));
            } else if (keyword == QLatin1String("required")) {
                for (const QJsonValue &key : rule.toArray()) {
                    if (instance.isObject() && !instance.toObject().contains(key.toString()))
                        fail(path, QStringLiteral("\"%1\" is missing").arg(key.toString()));
                }
            } else if (keyword == QLatin1String("properties")) {
                const QJsonObject object = instance.toObject();
                for (auto p = object.begin(); p != object.end(); ++p) {
                    if (rule.toObject().contains(p.key()))
                        check(rule.toObject().value(p.key()), p.value(), path + QLatin1Char('.') + p.key());
                }
            } else if (keyword == QLatin1String("additionalProperties")) {
                const QJsonObject object = instance.toObject();
                const QJsonObject known = schema.value(QStringLiteral("properties")).toObject();
                for (auto p = object.begin(); p != object.end(); ++p) {
                    if (!known.contains(p.key()))
                        check(rule, p.value(), path + QLatin1Char('.') + p.key());
                }
            } else if (keyword == QLatin1String("oneOf")) {
                const QJsonArray choices = rule.toArray();
                const auto matches = std::count_if(choices.begin(), choices.end(),
                                                   [&](const QJsonValue &choice) { return valid(choice, instance); });
                if (matches != 1)
                    fail(path, QStringLiteral("matches %1 of the oneOf choices, not one").arg(matches));
            } else if (!QStringList{"$schema", "$id", "$defs", "title", "description"}.contains(keyword)) {
                ADD_FAILURE() << "the validator does not know the keyword " << keyword.toStdString();
            }
        }
    }

    QJsonObject m_root;
    QStringList m_errors;
};

QByteArray readAll(const QString &path)
{
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    return file.readAll();
}

QJsonValue parsed(const QByteArray &json)
{
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString() << "\n" << json.toStdString();
    return document.isArray() ? QJsonValue(document.array()) : QJsonValue(document.object());
}

SchemaValidator contentSchema()
{
    return SchemaValidator(parsed(readAll(QStringLiteral(CONTENT_SCHEMA))).toObject());
}

// What build does with a file: read it, then check it; any error refuses it.
QStringList readerErrors(const QByteArray &json)
{
    ReadResult read = readContent(json);
    QList<Problem> problems = read.problems;
    if (!hasErrors(problems))
        problems += checkContent(read.content);
    QStringList errors;
    for (const Problem &problem : problems) {
        if (problem.severity == Problem::Error)
            errors.append(problem.text());
    }
    return errors;
}

TEST(ContentSchema, EverySampleFileValidatesAndNamesIt)
{
    SchemaValidator schema = contentSchema();
    const QDir dir(QStringLiteral(SAMPLE_CONTENT_DIR));
    const QStringList files = dir.entryList({QStringLiteral("*.json")}, QDir::Files, QDir::Name);
    ASSERT_FALSE(files.isEmpty());
    for (const QString &name : files) {
        const QJsonValue document = parsed(readAll(dir.filePath(name)));
        EXPECT_EQ(schema.validate(document).join('\n').toStdString(), "") << name.toStdString();
        // The reference resolves from the file's folder to the schema.
        const QString named = document.toObject().value(QStringLiteral("$schema")).toString();
        EXPECT_EQ(QFileInfo(dir.filePath(named)).canonicalFilePath().toStdString(),
                  QFileInfo(QStringLiteral(CONTENT_SCHEMA)).canonicalFilePath().toStdString())
            << name.toStdString();
    }
}

// A sound file with a category test and a folder; each case replaces one
// piece of it.
const char kSound[] = R"({"$schema": "x.json", "tests": [
  {"id": 5, "folder": true, "name": "文件夹", "remarks": "说明"},
  {"id": 10, "parent": 5, "name": "好测试", "remarks": "说明", "factor": 1.5,
   "categories": [[1, "单身"], [2, "恋爱中"]],
   "questions": [{"text": "第一题", "instructions": "慢慢想", "options": [[1, "是"], [0, "否"]]}],
   "verdicts": [{"category": 1, "thresholds": [0], "texts": ["低", "高"]},
                {"category": 2, "thresholds": [0], "texts": ["低", "高"]}]}
]})";

TEST(ContentSchema, AgreesWithTheReaderOnMistakes)
{
    SchemaValidator schema = contentSchema();
    const QByteArray sound(kSound);
    ASSERT_EQ(readerErrors(sound).join('\n').toStdString(), "");
    ASSERT_EQ(schema.validate(parsed(sound)).join('\n').toStdString(), "");

    // Each mistake replaces from by to in the sound file (no from: to is the file).
    const struct {
        const char *mistake;
        const char *from;
        const char *to;
    } cases[] = {
        {"missing name", R"("name": "好测试", )", ""},
        {"missing questions",
         R"("questions": [{"text": "第一题", "instructions": "慢慢想", "options": [[1, "是"], [0, "否"]]}],)", ""},
        {"question without text", R"("text": "第一题", )", ""},
        {"option not a pair", R"([0, "否"])", "[0]"},
        {"option of three", R"([0, "否"])", R"([0, "否", "不"])"},
        {"caption not a text", R"([0, "否"])", "[0, 1]"},
        {"score not an integer", R"([0, "否"])", R"([0.5, "否"])"},
        {"score as text", R"([0, "否"])", R"(["0", "否"])"},
        {"category value as text", R"([2, "恋爱中"])", R"(["2", "恋爱中"])"},
        {"empty option caption", R"([0, "否"])", R"([0, ""])"},
        {"empty verdict text", R"("texts": ["低", "高"]}])", R"("texts": ["低", ""]}])"},
        {"factor zero", R"("factor": 1.5)", R"("factor": 0)"},
        {"factor negative", R"("factor": 1.5)", R"("factor": -1)"},
        {"threshold as text", R"("category": 2, "thresholds": [0])", R"("category": 2, "thresholds": ["高"])"},
        {"no thresholds", R"("category": 2, "thresholds": [0])", R"("category": 2, "thresholds": [])"},
        {"verdict text not a text", R"("texts": ["低", "高"]}])", R"("texts": ["低", 3]}])"},
        {"id out of range", R"("id": 10,)", R"("id": 0,)"},
        {"parent as text", R"("parent": 5,)", R"("parent": "5",)"},
        {"unknown key", R"("remarks": "说明", "factor")", R"("remarks": "说明", "nmae": "x", "factor")"},
        {"unknown question key", R"("instructions": "慢慢想")", R"("instruction": "慢慢想")"},
        {"unknown top-level key", R"("$schema": "x.json")", R"("$schema": "x.json", "test": [])"},
        {"$schema in an entry", R"({"id": 5, )", R"({"$schema": "x.json", "id": 5, )"},
        {"$schema not a text", R"("$schema": "x.json")", R"("$schema": 1)"},
        {"folder with questions", R"("remarks": "说明"},)", R"("remarks": "说明", "questions": []},)"},
        {"folder not a boolean", R"("folder": true)", R"("folder": "yes")"},
        {"tests not a list", nullptr, R"({"tests": {}})"},
    };
    for (const auto &c : cases) {
        QByteArray broken = c.from ? sound : QByteArray(c.to);
        if (c.from) {
            ASSERT_TRUE(broken.contains(c.from)) << c.mistake;
            broken.replace(broken.indexOf(c.from), qsizetype(strlen(c.from)), c.to);
        }
        EXPECT_FALSE(readerErrors(broken).isEmpty()) << "the reader takes: " << c.mistake;
        EXPECT_FALSE(schema.validate(parsed(broken)).isEmpty()) << "the schema takes: " << c.mistake;
    }
}

} // namespace
