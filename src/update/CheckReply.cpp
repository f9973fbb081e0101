#include "update/CheckReply.h"

#include "update/UpdateTexts.h"

ReplyCheck CheckReply(const QString& replyWord)
{
    if (replyWord == QLatin1String("YES")) {
        return {true, QString()};
    }
    if (replyWord == QLatin1String("HDR")) {
        return {false, UpdateText::HeaderCheckFailed};
    }
    if (replyWord == QLatin1String("ERR")) {
        return {false, UpdateText::ServerError};
    }
    if (replyWord == QLatin1String("FNF")) {
        return {false, UpdateText::FileNotFound};
    }
    if (replyWord == QLatin1String("UCM")) {
        return {false, UpdateText::UnknownCommand};
    }
    return {false, UpdateText::UnknownResponse};
}
