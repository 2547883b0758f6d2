#pragma once

#include <QString>
#include <functional>

// Shows the shell's modal messages: a message box without parent, run with
// exec(), so the event loop (and with it any download) goes on meanwhile.
class Messages
{
public:
    using Observer = std::function<void(const QString &text)>;

    // Texts longer than maxLength characters are cut to that length.
    static void show(const QString &text);
    static QString shown(const QString &text);
    static constexpr int maxLength = 1000;

    // Tests: each box is still shown and run, then dismissed once the event
    // loop turns, and its text handed to observer. An empty observer restores
    // boxes that wait for a person.
    static void dismissAutomatically(Observer observer);
};
