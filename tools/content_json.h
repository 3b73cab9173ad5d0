#pragma once
#include <functional>

#include <QByteArray>

#include "tools/content_model.h"

namespace lovetest::content {

// Reads the content format, UTF-8 JSON {"tests": [...]}, from bytes. Every
// mistake of the file's shape is collected (not only the first), each with
// the line and column where it stands; fileName goes into the messages.
struct ReadResult {
    Content content;
    QList<Problem> problems;
};
// A score, category value or threshold written as text ("3") is an author's
// mistake; Kept takes it as the text a database stores, for content that
// stands for what other programs wrote (test databases holding such values).
enum class TextValues { Refused, Kept };
ReadResult readContent(const QByteArray &json, const QString &fileName = {},
                       TextValues textValues = TextValues::Refused);

// The same, as one call that throws a ContentError listing every error.
Content parseContentJson(const QByteArray &json, TextValues textValues = TextValues::Refused);
// Reads several content files in order (the sample set is one file a test),
// collecting every problem of every file.
ReadResult readContentFileList(const QStringList &paths);
// The same, throwing a ContentError listing every error.
Content readContentFiles(const QStringList &paths);

// Writes content back in the same format and in the layout of the sample
// files, integers where values are integers. The streaming form hands out the
// document piece by piece, so a large catalog is never held as one text.
class ContentJsonWriter {
public:
    explicit ContentJsonWriter(std::function<void(const QByteArray &)> sink);
    void write(const Test &test);
    void finish();

private:
    std::function<void(const QByteArray &)> m_sink;
    bool m_first = true;
};
QByteArray toContentJson(const Content &content);
// One test as a file of its own, and the folders of a catalog as one file,
// each laid out as the files of content/tests are.
QByteArray testFileJson(const Test &test);
QByteArray foldersFileJson(const QList<Test> &folders);

} // namespace lovetest::content
