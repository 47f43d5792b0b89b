#pragma once

#include "RecognitionOutcome.h"
#include "RequestConfig.h"
#include "RequestProvider.h"

namespace lumeno {

// The two requests that the maker's OCR server answers in the same reply shape.
enum class MakerServerRoute
{
    baidu,     // /api/ocr/GetBaiduOcrTextNew with the chosen OCR language
    googleOCR, // /api/ocr/GetOcrText, Google recognition without a language
};

RequestConfig makerServerRequest(MakerServerRoute route, const QString &imageBase64,
                                 const QString &languageCode);

// Reads {"status": ..., "message": ..., "data": {"text": ...}}. A refusal is "status" as the
// integer 429, and on the googleOCR route also "status" as the text "999"; it shows "message"
// when that is text. A status-200 reply that is no refusal and has no text "data"."text" is
// the common failure. On the googleOCR route a non-200 reply is printed first.
RecognitionOutcome makerServerOutcome(MakerServerRoute route, const RequestResult &result);

} // namespace lumeno
