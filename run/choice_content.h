#pragma once
#include <optional>

#include <QList>
#include <QString>

#include "data/choice_value.h"

namespace lovetest {

class Field;
class SealedFields;
class TestDatabase;

// What a choice panel shows: its caption and its items. When the captions
// run out before the values, items holds the ones before and error the
// message the panel raises after adding them.
struct ChoiceContent {
    struct Item {
        QString caption;
        QString value;
    };
    QString caption;
    QList<Item> items;
    std::optional<QString> error;
};

// The question panel of the current question row, question number of
// total: "12-3.text    ".
ChoiceContent questionContent(TestDatabase &database, SealedFields &sealed, int number, int total);
// The category panel of the current catalog row.
ChoiceContent categoryContent(TestDatabase &database, SealedFields &sealed);

} // namespace lovetest
