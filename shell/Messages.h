#pragma once

#include <QString>
#include <QStringList>
#include <functional>

// Shows the shell's modal messages and questions: a message box without
// parent, run with exec(), so the event loop (and with it any download) goes
// on meanwhile. Texts are always plain text: they quote what pages and
// servers chose, which must never be laid out as markup or links.
class Messages
{
public:
    using Observer = std::function<void(const QString &text)>;
    using Answerer = std::function<bool(const QString &question)>;
    // The text entered for question, offered text; a null string cancels.
    using TextAnswerer = std::function<QString(const QString &question, const QString &text)>;

    // Texts longer than maxLength characters are cut to that length. A box
    // (a question's too) that comes while another is on screen waits until
    // the user has closed that one: the boxes come in the order of the
    // events.
    static void show(const QString &text);
    static QString shown(const QString &text);
    static constexpr int maxLength = 1000;
    // text cut to length characters, its end marked with "...", never
    // splitting a character in two.
    static QString shortened(const QString &text, int length);

    // Asks the user; true only when yesLabel was chosen. noLabel is the
    // default button and also what closing the box means.
    static bool ask(const QString &question, const QString &yesLabel, const QString &noLabel);
    // The same with details under the question, each on a line of its own,
    // whole (the box scrolls): what the user agrees to must be all there is.
    // Observers and answerers get the question, then each detail on its own
    // line.
    static bool ask(const QString &question, const QStringList &details, const QString &yesLabel,
                    const QString &noLabel);
    // Asks for a line of text, offering text to edit; the text entered, or a
    // null string when cancelLabel was chosen or the box closed.
    static QString askText(const QString &question, const QString &text, const QString &okLabel,
                           const QString &cancelLabel);
    // text with spaces, tabs, line breaks and characters that show nothing
    // or turn the text around replaced by visible marks.
    static QString withVisibleBlanks(const QString &text);

    // Tests: each box is still shown and run, then dismissed once the event
    // loop turns, and its text (a question's too) handed to observer. An
    // empty observer restores boxes that wait for a person.
    static void dismissAutomatically(Observer observer);
    // Tests: while boxes are dismissed automatically, questions are answered
    // by answerer once shown; without one they get the default (no).
    static void answerAutomatically(Answerer answerer);
    // Tests: the same for askText; without one it is cancelled.
    static void answerTextAutomatically(TextAnswerer answerer);
};
