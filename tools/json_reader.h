#pragma once
#include <functional>
#include <stdexcept>
#include <vector>

#include <QByteArray>
#include <QString>

namespace lovetest::content {

// Where something stands in a text file, both counted from 1; the column
// counts characters, not bytes.
struct TextPlace {
    int line = 0;
    int column = 0;
    bool known() const { return line > 0; }
};

struct JsonMember;

// A JSON value that remembers where it stood, so a message about it can name
// the line and column an author sees in the editor.
struct JsonNode {
    enum Kind { Null, Bool, Number, String, Array, Object };
    Kind kind = Null;
    TextPlace place;
    bool boolean = false;
    double number = 0;
    // Number: as the file writes it, kept only when plain digits would not
    // give it back (a point, an exponent, more digits than a double holds).
    QByteArray written;
    QString string;
    std::vector<JsonNode> items; // Array
    std::vector<JsonMember> members; // Object, in file order
    std::vector<TextPlace> keyPlaces; // Object: where each key stands

    const JsonNode *member(const QString &key) const;
    // A number as the file writes it, for messages.
    QString numberText() const;
    QString kindName() const;
};

// One member of an object: its key and its value.
struct JsonMember {
    QString first;
    JsonNode second;
};

// Malformed JSON, or bytes that are not UTF-8, with the place where reading
// stopped.
class JsonSyntaxError : public std::runtime_error {
public:
    JsonSyntaxError(TextPlace where, const QString &what) : std::runtime_error(what.toStdString()), place(where) {}
    TextPlace place;
};

// Reads one JSON document from UTF-8 bytes (a leading byte order mark is
// skipped). Nesting is bounded so hostile input cannot exhaust the stack.
// With a handler, each item of a list that is a member of the top-level
// object goes to it as soon as it is read (with the list's key) instead of
// into the tree, so memory follows the largest item, not the file.
using ItemHandler = std::function<void(const QString &listKey, JsonNode &&item)>;
JsonNode readJson(const QByteArray &bytes, const ItemHandler &onTopLevelListItem = {});

} // namespace lovetest::content
