#pragma once

#include "RecognitionOutcome.h"
#include "RequestProvider.h"

namespace lumeno {

// Where the two roads of the maker's server read their common reply shape apart.
struct MakerServerReplyRules
{
    // "status" as the text "999" is a refusal too, beside the integer 429.
    bool textStatus999Refuses = false;
    // A reply with an HTTP status other than 200 is printed before its alert.
    bool printsNon200Reply = false;
};

// Reads {"status": ..., "message": ..., "data": {"text": ...}}. A refusal shows "message" when
// that is text, else the common failure text. A status-200 reply that is no refusal and has no
// text "data"."text" is the common failure.
RecognitionOutcome readMakerServerReply(const RequestResult &result, MakerServerReplyRules rules);

} // namespace lumeno
