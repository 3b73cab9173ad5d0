#include "tools/content_json.h"

#include <cmath>

#include <QFile>
#include <QFileInfo>
#include <QLocale>

#include "data/convert.h"
#include "tools/json_reader.h"
#include "tools/terminal_text.h"

namespace lovetest::content {

QString describeTest(const Test &test)
{
    QString where = QStringLiteral("%1 \"%2\"")
                        .arg(test.folder ? QStringLiteral("folder") : QStringLiteral("test"), shownName(test.name));
    if (test.id)
        where += QStringLiteral(" (id %1)").arg(*test.id);
    return where;
}

QString describeQuestion(const Test &test, qsizetype questionIndex)
{
    return QStringLiteral("%1, question %2").arg(describeTest(test)).arg(questionIndex + 1);
}

std::optional<qint64> integerValue(const QString &text)
{
    try {
        return toInteger(text);
    } catch (const std::exception &) {
        return std::nullopt;
    }
}

QString Problem::text() const
{
    QString prefix;
    if (!place.file.isEmpty())
        prefix = place.file + QStringLiteral(": ");
    if (place.line > 0)
        prefix = QStringLiteral("%1:%2:%3: ").arg(place.file).arg(place.line).arg(place.column);
    return QStringLiteral("%1%2: %3%4")
        .arg(prefix, severity == Error ? QStringLiteral("error") : QStringLiteral("warning"),
             where.isEmpty() ? QString() : where + QStringLiteral(": "), what);
}

bool hasErrors(const QList<Problem> &problems)
{
    return std::any_of(problems.begin(), problems.end(), [](const Problem &p) { return p.severity == Problem::Error; });
}

namespace {

const QStringList kTestKeys{"id",         "name",      "parent",   "remarks", "factor",
                            "categories", "questions", "verdicts", "folder"};
const QStringList kFolderKeys{"id", "folder", "name", "parent", "remarks"};
const QStringList kQuestionKeys{"text", "instructions", "options"};
const QStringList kVerdictKeys{"category", "thresholds", "texts"};
// The one key besides "tests" a file may hold: it names the JSON schema that
// lets an editor complete keys and flag mistakes (content/lovetest-content.schema.json).
const QString kSchemaKey = QStringLiteral("$schema");

int editDistance(const QString &a, const QString &b)
{
    std::vector<int> row(b.size() + 1);
    for (qsizetype j = 0; j <= b.size(); ++j)
        row[j] = int(j);
    for (qsizetype i = 1; i <= a.size(); ++i) {
        int diagonal = row[0];
        row[0] = int(i);
        for (qsizetype j = 1; j <= b.size(); ++j) {
            const int above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[b.size()];
}

// The valid key a misspelt one is nearest to, or empty when none is near.
QString nearestKey(const QString &key, const QStringList &valid)
{
    QString nearest;
    int best = std::max<int>(2, int(key.size() / 3)) + 1;
    for (const QString &candidate : valid) {
        const int d = editDistance(key.toLower(), candidate);
        if (d < best) {
            best = d;
            nearest = candidate;
        }
    }
    return nearest;
}

// Reads the entries of one file, noting every mistake and going on with the
// next key or entry, so one run reports them all.
class EntryReader {
public:
    EntryReader(QString fileName, TextValues textValues) : m_file(std::move(fileName)), m_textValues(textValues) {}

    ReadResult read(const QByteArray &bytes)
    {
        JsonNode root;
        qsizetype index = 0;
        try {
            // Entries are taken one by one as they are read.
            root = readJson(bytes, [&](const QString &key, JsonNode &&item) {
                if (key == QLatin1String("tests"))
                    entry(item, index++);
            });
        } catch (const JsonSyntaxError &e) {
            error(e.place, {}, QString::fromUtf8(e.what()));
            return std::move(m_result);
        }
        const JsonNode *tests = root.kind == JsonNode::Object ? root.member(QStringLiteral("tests")) : nullptr;
        if (!tests || tests->kind != JsonNode::Array)
            error(root.place, {}, QStringLiteral("the content must be an object with a \"tests\" list"));
        else
            unknownKeys(root, {QStringLiteral("tests"), kSchemaKey}, {});
        // The editor's schema reference: no content, but a text like every URI.
        if (const JsonNode *schema = root.kind == JsonNode::Object ? root.member(kSchemaKey) : nullptr;
            schema && schema->kind != JsonNode::String)
            error(schema->place, {},
                  QStringLiteral("\"%1\" must be a text, not %2").arg(kSchemaKey, schema->kindName()));
        return std::move(m_result);
    }

private:
    SourcePlace at(TextPlace place) const { return {m_file, place.line, place.column}; }

    void error(TextPlace place, const QString &where, const QString &what)
    {
        m_result.problems.append({Problem::Error, where, what, at(place)});
    }

    // Keys in alsoKnown but not in valid are reported by the caller in words
    // of their own.
    void unknownKeys(const JsonNode &object, const QStringList &valid, const QString &where,
                     const QStringList &alsoKnown = {})
    {
        for (size_t i = 0; i < object.members.size(); ++i) {
            const QString &key = object.members[i].first;
            if (valid.contains(key) || alsoKnown.contains(key))
                continue;
            QString what =
                QStringLiteral("unknown key \"%1\" (valid keys: %2)").arg(key, valid.join(QStringLiteral(", ")));
            if (const QString nearest = nearestKey(key, valid); !nearest.isEmpty())
                what += QStringLiteral("; did you mean %1?").arg(nearest);
            error(object.keyPlaces[i], where, what);
        }
    }

    // Whether the object holds a misspelling of key: its unknown-key message
    // already names key, so key is not reported missing as well.
    static bool misspelt(const JsonNode &object, const QString &key, const QStringList &valid)
    {
        return std::any_of(object.members.begin(), object.members.end(), [&](const JsonMember &m) {
            return !valid.contains(m.first) && nearestKey(m.first, valid) == key;
        });
    }

    // A score, category value or threshold: an integer is kept as its
    // decimal text, any other number as written (the checker names those
    // that are no integers or out of range). Text is refused: the program
    // reads numbers, and "3" is a mistake of the file.
    std::optional<QString> valueText(const JsonNode &value, const QString &where, const char *what)
    {
        if (value.kind == JsonNode::Number) {
            const double d = value.number;
            if (std::floor(d) == d && std::fabs(d) < 9.0e15)
                return QString::number(static_cast<qint64>(d));
            return value.numberText();
        }
        if (value.kind == JsonNode::String && m_textValues == TextValues::Kept)
            return value.string;
        if (value.kind == JsonNode::String)
            error(value.place, where,
                  QStringLiteral("the %1 \"%2\" must be a number, not a text").arg(QLatin1String(what), value.string));
        else
            error(value.place, where,
                  QStringLiteral("the %1 must be an integer, not %2").arg(QLatin1String(what), value.kindName()));
        return std::nullopt;
    }

    // The value of key when it is of kind. A key left out is reported when
    // required names the object's valid keys; a null is taken as left out.
    const JsonNode *member(const JsonNode &object, const char *key, JsonNode::Kind kind, const QString &where,
                           const QStringList *required = nullptr, SourcePlace *place = nullptr)
    {
        const JsonNode *value = object.member(QLatin1String(key));
        if (value && place)
            *place = at(value->place);
        if (!value || value->kind == JsonNode::Null) {
            if (required && !misspelt(object, QLatin1String(key), *required))
                error(object.place, where, QStringLiteral("\"%1\" is missing").arg(QLatin1String(key)));
            return nullptr;
        }
        if (value->kind != kind) {
            JsonNode wanted;
            wanted.kind = kind;
            error(value->place, where,
                  QStringLiteral("\"%1\" must be %2, not %3")
                      .arg(QLatin1String(key), wanted.kindName(), value->kindName()));
            return nullptr;
        }
        return value;
    }

    QString text(const JsonNode &object, const char *key, const QString &where, SourcePlace *place,
                 const QStringList *required = nullptr)
    {
        const JsonNode *value = member(object, key, JsonNode::String, where, required, place);
        return value ? value->string : QString();
    }

    std::optional<qint64> id(const JsonNode &object, const char *key, const QString &where, SourcePlace *place)
    {
        const JsonNode *value = member(object, key, JsonNode::Number, where, nullptr, place);
        if (!value)
            return std::nullopt;
        const double d = value->number;
        if (std::floor(d) != d) {
            error(value->place, where,
                  QStringLiteral("\"%1\" must be a whole number from %2 to %3, not %4")
                      .arg(QLatin1String(key))
                      .arg(kMinId)
                      .arg(kMaxId)
                      .arg(value->numberText()));
            return std::nullopt;
        }
        if (d < double(kMinId) || d > double(kMaxId)) {
            error(value->place, where,
                  QStringLiteral("\"%1\" %2 is out of range (%3 to %4)")
                      .arg(QLatin1String(key), value->numberText())
                      .arg(kMinId)
                      .arg(kMaxId));
            return std::nullopt;
        }
        return static_cast<qint64>(d);
    }

    // Pairs that cannot be taken are reported and left out; the list is then
    // refused, so the checker does not count or miss its items again.
    ChoiceList choices(const JsonNode *pairs, const QString &where, const char *what, const char *valueName,
                       const char *key, RefusedKeys &refused)
    {
        ChoiceList result;
        if (!pairs)
            return result;
        const qsizetype count = qsizetype(pairs->items.size());
        result.values.reserve(count);
        result.captions.reserve(count);
        result.valuePlaces.reserve(count);
        result.captionPlaces.reserve(count);
        bool whole = true;
        for (size_t i = 0; i < pairs->items.size(); ++i) {
            const JsonNode &pair = pairs->items[i];
            const QString itemWhere = QStringLiteral("%1, %2 %3").arg(where, QLatin1String(what)).arg(i + 1);
            if (pair.kind != JsonNode::Array || pair.items.size() != 2) {
                // A third item is where the pair goes wrong.
                const bool tooLong = pair.kind == JsonNode::Array && pair.items.size() > 2;
                error(tooLong ? pair.items[2].place : pair.place, itemWhere,
                      QStringLiteral("must be a [value, caption] pair"));
                whole = false;
                continue;
            }
            if (pair.items[1].kind != JsonNode::String) {
                error(pair.items[1].place, itemWhere,
                      QStringLiteral("must be a [value, caption] pair: the caption must be a text, not %1")
                          .arg(pair.items[1].kindName()));
                whole = false;
                continue;
            }
            const auto value = valueText(pair.items[0], itemWhere, valueName);
            if (!value) {
                whole = false;
                continue;
            }
            result.append(*value, pair.items[1].string);
            result.valuePlaces.append(at(pair.items[0].place));
            result.captionPlaces.append(at(pair.items[1].place));
        }
        if (!whole)
            refused.append(QLatin1String(key));
        return result;
    }

    void entry(const JsonNode &node, qsizetype index)
    {
        Test test;
        test.place = at(node.place);
        if (node.kind != JsonNode::Object) {
            error(node.place, QStringLiteral("entry %1").arg(index + 1), QStringLiteral("must be an object"));
            return;
        }
        if (const JsonNode *folder = node.member(QStringLiteral("folder"))) {
            if (folder->kind != JsonNode::Bool)
                error(folder->place, {}, QStringLiteral("\"folder\" must be true or false"));
            test.folder = folder->boolean;
        }
        const QStringList &keys = test.folder ? kFolderKeys : kTestKeys;
        test.name = text(node, "name", QStringLiteral("entry %1").arg(index + 1), &test.namePlace, &keys);
        if (!node.member(QStringLiteral("name")) || node.member(QStringLiteral("name"))->kind != JsonNode::String)
            test.refused.append(QStringLiteral("name"));
        test.id = id(node, "id", describeTest(test), &test.idPlace);
        const QString where = describeTest(test);
        if (const JsonNode *parent = node.member(QStringLiteral("parent"))) {
            if (parent->kind == JsonNode::Null) {
                test.parent = kNoParentRow;
                test.parentPlace = at(parent->place);
            } else {
                test.parent = id(node, "parent", where, &test.parentPlace);
            }
        }
        test.remarks = text(node, "remarks", where, &test.remarksPlace);
        if (test.folder) {
            unknownKeys(node, kFolderKeys, where, kTestKeys);
            for (const char *key : {"questions", "verdicts", "factor", "categories"}) {
                if (const JsonNode *value = node.member(QLatin1String(key)))
                    error(value->place, where, QStringLiteral("a folder holds no \"%1\"").arg(QLatin1String(key)));
            }
            m_result.content.tests.append(test);
            return;
        }
        unknownKeys(node, kTestKeys, where);
        if (const JsonNode *factor = member(node, "factor", JsonNode::Number, where, nullptr, &test.factorPlace)) {
            // A run multiplies the sum by it: zero, a negative or an endless
            // factor would make every verdict the same or turn them round.
            if (std::isfinite(factor->number) && factor->number > 0)
                test.factor = factor->number;
            else
                error(factor->place, where,
                      QStringLiteral("\"factor\" must be a finite number above 0, not %1").arg(factor->numberText()));
        }
        test.categories = choices(member(node, "categories", JsonNode::Array, where, nullptr, &test.categoriesPlace),
                                  where, "category", "category value", "categories", test.refused);
        if (const JsonNode *questions =
                member(node, "questions", JsonNode::Array, where, &kTestKeys, &test.questionsPlace)) {
            for (size_t q = 0; q < questions->items.size(); ++q)
                question(test, questions->items[q], qsizetype(q));
        } else {
            test.refused.append(QStringLiteral("questions"));
        }
        if (const JsonNode *verdicts =
                member(node, "verdicts", JsonNode::Array, where, &kTestKeys, &test.verdictsPlace)) {
            for (size_t v = 0; v < verdicts->items.size(); ++v)
                verdict(test, verdicts->items[v], qsizetype(v));
        } else {
            test.refused.append(QStringLiteral("verdicts"));
        }
        m_result.content.tests.append(test);
    }

    void question(Test &test, const JsonNode &node, qsizetype index)
    {
        const QString where = describeQuestion(test, index);
        if (node.kind != JsonNode::Object) {
            error(node.place, where, QStringLiteral("must be an object"));
            test.refused.append(QStringLiteral("questions"));
            return;
        }
        unknownKeys(node, kQuestionKeys, where);
        Question question;
        question.place = at(node.place);
        question.text = text(node, "text", where, &question.textPlace, &kQuestionKeys);
        if (!question.textPlace.line || node.member(QStringLiteral("text"))->kind != JsonNode::String)
            question.refused.append(QStringLiteral("text"));
        question.instructions = text(node, "instructions", where, &question.instructionsPlace);
        const JsonNode *options =
            member(node, "options", JsonNode::Array, where, &kQuestionKeys, &question.optionsPlace);
        question.options = choices(options, where, "option", "score", "options", question.refused);
        if (!options)
            question.refused.append(QStringLiteral("options"));
        test.questions.append(question);
    }

    void verdict(Test &test, const JsonNode &node, qsizetype index)
    {
        const QString where = QStringLiteral("%1, verdict row %2").arg(describeTest(test)).arg(index + 1);
        if (node.kind != JsonNode::Object) {
            error(node.place, where, QStringLiteral("must be an object"));
            test.refused.append(QStringLiteral("verdicts"));
            return;
        }
        unknownKeys(node, kVerdictKeys, where);
        Verdict verdict;
        verdict.place = at(node.place);
        if (const JsonNode *category = node.member(QStringLiteral("category"))) {
            verdict.categoryPlace = at(category->place);
            verdict.category = valueText(*category, where, "category");
            if (!verdict.category)
                verdict.refused.append(QStringLiteral("category"));
        }
        if (const JsonNode *thresholds =
                member(node, "thresholds", JsonNode::Array, where, &kVerdictKeys, &verdict.thresholdsPlace)) {
            for (const JsonNode &t : thresholds->items) {
                if (const auto value = valueText(t, where, "threshold")) {
                    verdict.thresholds.append(*value);
                    verdict.thresholdPlaces.append(at(t.place));
                } else {
                    verdict.refused.append(QStringLiteral("thresholds"));
                }
            }
        } else {
            verdict.refused.append(QStringLiteral("thresholds"));
        }
        if (const JsonNode *texts = member(node, "texts", JsonNode::Array, where, &kVerdictKeys, &verdict.textsPlace)) {
            for (const JsonNode &t : texts->items) {
                if (t.kind == JsonNode::String) {
                    verdict.texts.append(t.string);
                    verdict.textPlaces.append(at(t.place));
                } else {
                    error(t.place, where, QStringLiteral("\"texts\" must hold texts, not %1").arg(t.kindName()));
                    verdict.refused.append(QStringLiteral("texts"));
                }
            }
        } else {
            verdict.refused.append(QStringLiteral("texts"));
        }
        test.verdicts.append(verdict);
    }

    QString m_file;
    TextValues m_textValues;
    ReadResult m_result;
};

[[noreturn]] void throwErrors(const QList<Problem> &problems)
{
    QStringList lines;
    for (const Problem &p : problems) {
        if (p.severity == Problem::Error)
            lines.append(p.text());
    }
    throw ContentError(lines.join(QLatin1Char('\n')).toStdString());
}

// JSON is written by hand, not through QJsonDocument, so the layout is the
// one authors keep in content/tests: a key a line, each option pair and each
// list of numbers on one line, a verdict text a line.
QByteArray jsonString(const QString &text)
{
    QByteArray out = "\"";
    for (const char c : text.toUtf8()) {
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\b':
            out += "\\b";
            break;
        case '\f':
            out += "\\f";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (static_cast<unsigned char>(c) < 0x20)
                out += "\\u00" + QByteArray::number(int(c), 16).rightJustified(2, '0');
            else
                out += c;
        }
    }
    return out + '"';
}

QByteArray jsonNumber(double d)
{
    if (!std::isfinite(d))
        return "null";
    if (std::floor(d) == d && std::fabs(d) < 9.0e15)
        return QByteArray::number(static_cast<qint64>(d));
    return QByteArray::number(d, 'g', QLocale::FloatingPointShortest);
}

// A list value: a number where it is an integer JSON holds exactly, its text otherwise.
QByteArray jsonValue(const QString &valueText)
{
    bool ok = false;
    const qint64 n = valueText.toLongLong(&ok);
    if (ok && QString::number(n) == valueText && std::llabs(n) < (qint64(1) << 53))
        return QByteArray::number(n);
    return jsonString(valueText);
}

QByteArray jsonChoices(const ChoiceList &list)
{
    QByteArrayList pairs;
    for (qsizetype i = 0; i < list.size(); ++i)
        pairs.append('[' + jsonValue(list.values.value(i)) + ", " + jsonString(list.captions.value(i)) + ']');
    return '[' + pairs.join(", ") + ']';
}

QByteArray member(const char *key, const QByteArray &value)
{
    return '"' + QByteArray(key) + "\": " + value;
}

// The keys a folder shows on its first line; the remarks follow on the next.
QByteArrayList folderHead(const Test &folder)
{
    QByteArrayList head;
    if (folder.id)
        head.append(member("id", QByteArray::number(*folder.id)));
    head.append(member("folder", "true"));
    if (folder.parent)
        head.append(member("parent", *folder.parent == kNoParentRow ? "null" : QByteArray::number(*folder.parent)));
    head.append(member("name", jsonString(folder.name)));
    return head;
}

// One entry as a block of lines from "{" to "}", keys indented by two.
QByteArray jsonEntry(const Test &test)
{
    if (test.folder) {
        QByteArrayList lines;
        for (const QByteArray &item : folderHead(test))
            lines.append("  " + item);
        lines.append("  " + member("remarks", jsonString(test.remarks)));
        return "{\n" + lines.join(",\n") + "\n}";
    }
    QByteArrayList lines;
    if (test.id)
        lines.append(member("id", QByteArray::number(*test.id)));
    if (test.parent)
        lines.append(member("parent", *test.parent == kNoParentRow ? "null" : QByteArray::number(*test.parent)));
    lines.append(member("name", jsonString(test.name)));
    lines.append(member("remarks", jsonString(test.remarks)));
    lines.append(member("factor", jsonNumber(test.factor)));
    if (!test.categories.isEmpty())
        lines.append(member("categories", jsonChoices(test.categories)));
    QByteArrayList questions;
    for (const Question &question : test.questions) {
        QByteArrayList parts{member("text", jsonString(question.text))};
        if (!question.instructions.isEmpty())
            parts.append(member("instructions", jsonString(question.instructions)));
        parts.append(member("options", jsonChoices(question.options)));
        questions.append("    {" + parts.join(",\n     ") + '}');
    }
    lines.append(member("questions", questions.isEmpty() ? "[]" : "[\n" + questions.join(",\n") + "\n  ]"));
    QByteArrayList verdicts;
    for (const Verdict &verdict : test.verdicts) {
        QByteArray head = "    {";
        if (verdict.category)
            head += member("category", jsonValue(*verdict.category)) + ", ";
        QByteArrayList thresholds;
        for (const QString &t : verdict.thresholds)
            thresholds.append(jsonValue(t));
        head += member("thresholds", '[' + thresholds.join(", ") + ']') + ", ";
        QByteArrayList texts;
        for (const QString &text : verdict.texts)
            texts.append("      " + jsonString(text));
        verdicts.append(head + member("texts", texts.isEmpty() ? "[]}" : "[\n" + texts.join(",\n") + "\n    ]}"));
    }
    lines.append(member("verdicts", verdicts.isEmpty() ? "[]" : "[\n" + verdicts.join(",\n") + "\n  ]"));
    for (QByteArray &line : lines)
        line.prepend("  ");
    return "{\n" + lines.join(",\n") + "\n}";
}

} // namespace

ReadResult readContent(const QByteArray &json, const QString &fileName, TextValues textValues)
{
    return EntryReader(fileName, textValues).read(json);
}

Content parseContentJson(const QByteArray &json, TextValues textValues)
{
    ReadResult result = readContent(json, {}, textValues);
    if (hasErrors(result.problems))
        throwErrors(result.problems);
    return result.content;
}

ReadResult readContentFileList(const QStringList &paths)
{
    ReadResult all;
    for (const QString &path : paths) {
        QFile file(path);
        const QFileInfo info(path);
        if (info.exists() && !info.isFile()) {
            all.problems.append({Problem::Error, {}, QStringLiteral("not a regular file"), {path}});
            continue;
        }
        if (!file.open(QIODevice::ReadOnly)) {
            all.problems.append({Problem::Error, {}, file.errorString(), {path}});
            continue;
        }
        ReadResult one = readContent(file.readAll(), path);
        all.content.tests += one.content.tests;
        all.problems += one.problems;
    }
    return all;
}

Content readContentFiles(const QStringList &paths)
{
    ReadResult result = readContentFileList(paths);
    if (hasErrors(result.problems))
        throwErrors(result.problems);
    return result.content;
}

ContentJsonWriter::ContentJsonWriter(std::function<void(const QByteArray &)> sink) : m_sink(std::move(sink))
{}

void ContentJsonWriter::write(const Test &test)
{
    m_sink((m_first ? QByteArray("{\"tests\": [") : QByteArray(", ")) + jsonEntry(test));
    m_first = false;
}

void ContentJsonWriter::finish()
{
    m_sink(m_first ? QByteArray("{\"tests\": []}\n") : QByteArray("]}\n"));
}

QByteArray testFileJson(const Test &test)
{
    return "{\"tests\": [" + jsonEntry(test) + "]}\n";
}

QByteArray foldersFileJson(const QList<Test> &folders)
{
    QByteArrayList entries;
    for (const Test &folder : folders)
        entries.append("  {" + folderHead(folder).join(", ") + ",\n   " +
                       member("remarks", jsonString(folder.remarks)) + '}');
    return entries.isEmpty() ? QByteArray("{\"tests\": []}\n") : "{\"tests\": [\n" + entries.join(",\n") + "\n]}\n";
}

QByteArray toContentJson(const Content &content)
{
    QByteArray json;
    ContentJsonWriter writer([&json](const QByteArray &piece) { json += piece; });
    for (const Test &test : content.tests)
        writer.write(test);
    writer.finish();
    return json;
}

} // namespace lovetest::content
