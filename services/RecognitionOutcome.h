#pragma once

#include <QByteArray>
#include <QString>

namespace lumeno {

// What a recognition reply means for the result view.
struct RecognitionOutcome
{
    enum class Kind
    {
        recognised,        // text is the recognised text
        alert,             // text is the alert message to show
        serverUnreachable, // the common failure alert
        missingApiKey,     // nothing was sent: Cloud Vision needs the user's own key
    };
    Kind kind = Kind::serverUnreachable;
    QString text;
    // A reply with an HTTP status other than 200 is printed before the alert: its JSON, compact.
    // Empty when nothing is to be printed.
    QByteArray replyToPrint;

    static RecognitionOutcome recognised(QString text) { return {Kind::recognised, text, {}}; }
    static RecognitionOutcome alert(QString message) { return {Kind::alert, message, {}}; }
    static RecognitionOutcome unreachable(QByteArray replyToPrint = {})
    {
        return {Kind::serverUnreachable, {}, std::move(replyToPrint)};
    }
    static RecognitionOutcome missingApiKey() { return {Kind::missingApiKey, {}, {}}; }
};

// The alert text of every recognition failure that has no message of its own.
inline const QString kServerUnreachableMessage = QStringLiteral(
    "No returned value. Remote server is unaccessable. Please contact our support team.");

} // namespace lumeno
