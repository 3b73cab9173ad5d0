#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QTranslator>

#include <memory>

#include "shell/toolkit_translations.h"
#include "widgets/dialogs.h"

namespace lovetest {
namespace {

// What a message box showed, read while it was up, and the button then clicked.
struct SeenBox {
    QString caption;
    QString text;
    QStringList buttons;
    bool textSelectable = false;
};

// Answers the next modal message box by clicking the button whose text is
// `click`, after noting what it shows.
void answerNextBox(SeenBox &seen, const QString &click)
{
    QTimer::singleShot(0, [&seen, click] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        seen.caption = box->windowTitle();
        seen.text = box->text();
        seen.textSelectable = box->textInteractionFlags().testFlag(Qt::TextSelectableByMouse);
        for (QAbstractButton *button : box->buttons())
            seen.buttons << button->text();
        seen.buttons.sort();
        for (QAbstractButton *button : box->buttons()) {
            if (button->text() == click) {
                button->click();
                return;
            }
        }
        box->reject();
    });
}

// The system language a test runs under, with Qt's translations as the
// program installs them for it.
class UnderLocale : public ::testing::TestWithParam<QLocale::Language> {
protected:
    void SetUp() override
    {
        const QLocale locale(GetParam(), GetParam() == QLocale::Chinese ? QLocale::China : QLocale::UnitedStates);
        QLocale::setDefault(locale);
        translator.reset(installToolkitTranslations(*qApp, locale));
    }
    void TearDown() override { QLocale::setDefault(QLocale::c()); }

    std::unique_ptr<QTranslator> translator; // removed from the application when deleted
};

TEST_P(UnderLocale, ConfirmationButtonsReadChineseAndCancelSaysNo)
{
    SeenBox seen;
    answerNextBox(seen, QStringLiteral("取消"));
    EXPECT_FALSE(Dialogs::instance().confirm(nullptr, QStringLiteral("Confirm"), QStringLiteral("删除吗?")));
    EXPECT_EQ(seen.buttons, QStringList({QStringLiteral("取消"), QStringLiteral("确定")}));
    EXPECT_EQ(seen.caption, QStringLiteral("Confirm"));

    answerNextBox(seen, QStringLiteral("确定"));
    EXPECT_TRUE(Dialogs::instance().confirm(nullptr, QStringLiteral("Confirm"), QStringLiteral("删除吗?")));
}

TEST_P(UnderLocale, ErrorAndPlainMessagesHaveTheChineseOkButton)
{
    SeenBox error;
    answerNextBox(error, QStringLiteral("确定"));
    Dialogs::instance().showError(nullptr, QStringLiteral("ADOQuery1: no such table"));
    EXPECT_EQ(error.buttons, QStringList{QStringLiteral("确定")});
    EXPECT_EQ(error.caption, applicationTitle());
    EXPECT_EQ(error.text, QStringLiteral("ADOQuery1: no such table."));

    SeenBox message;
    answerNextBox(message, QStringLiteral("确定"));
    Dialogs::instance().showMessage(nullptr, QStringLiteral("请选择!再进行下一步"));
    EXPECT_EQ(message.buttons, QStringList{QStringLiteral("确定")});
    EXPECT_EQ(message.caption, applicationTitle());
    EXPECT_TRUE(message.textSelectable); // an address in it can be copied
}

INSTANTIATE_TEST_SUITE_P(Languages, UnderLocale, ::testing::Values(QLocale::Chinese, QLocale::English),
                         [](const auto &param) { return QLocale::languageToCode(param.param).toStdString(); });

// Enter presses the default button: Yes, or No for a question that would
// lose work.
TEST(YesNoQuestionTest, EnterGivesTheAnswerTheQuestionMakesDefault)
{
    using Answer = Dialogs::DefaultAnswer;
    for (const Answer preferred : {Answer::Yes, Answer::No}) {
        QString defaultButton;
        QTimer::singleShot(0, [&defaultButton] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            defaultButton = box->defaultButton() ? box->defaultButton()->text() : QString();
            QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
            QApplication::sendEvent(box, &enter);
        });
        const bool yes =
            Dialogs::instance().askYesNo(nullptr, applicationTitle(), QStringLiteral("要放弃吗？"), preferred);
        EXPECT_EQ(yes, preferred == Answer::Yes);
        EXPECT_EQ(defaultButton, preferred == Answer::Yes ? QStringLiteral("是(&Y)") : QStringLiteral("否(&N)"));
    }
}

// A confirmation asks before something is removed: Enter keeps everything.
TEST(ConfirmationTest, EnterPressesCancel)
{
    QTimer::singleShot(0, [] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->defaultButton(), box->button(QMessageBox::Cancel));
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QApplication::sendEvent(box, &enter);
    });
    EXPECT_FALSE(Dialogs::instance().confirm(nullptr, QStringLiteral("Confirm"), QStringLiteral("删除吗?")));
}

TEST(ToolkitTranslationsTest, QtSpeaksChineseOnlyOnAChineseSystem)
{
    const char *const context = "QFileDialog";
    const char *const source = "Look in:";
    {
        std::unique_ptr<QTranslator> chinese(
            installToolkitTranslations(*qApp, QLocale(QLocale::Chinese, QLocale::China)));
        ASSERT_NE(chinese, nullptr) << "Qt's Chinese translation files are missing";
        EXPECT_EQ(QCoreApplication::translate(context, source), QStringLiteral("查找范围："));
    }
    EXPECT_EQ(QCoreApplication::translate(context, source), QString::fromLatin1(source));

    EXPECT_EQ(installToolkitTranslations(*qApp, QLocale(QLocale::English, QLocale::UnitedStates)), nullptr);
    EXPECT_EQ(QCoreApplication::translate(context, source), QString::fromLatin1(source));
}

} // namespace
} // namespace lovetest
