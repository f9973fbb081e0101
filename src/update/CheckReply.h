#pragma once

#include <QString>

// How the server answered a request: accepted ("YES") or not, and the status line to write
// (empty when accepted). Words are compared exactly: case and blanks count.
struct ReplyCheck {
    bool accepted = false;
    QString statusLine;
};

ReplyCheck CheckReply(const QString& replyWord);
