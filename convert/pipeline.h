// The conversion pipeline every rewritten text passes.
#pragma once
#include "convert/lines.h"

#include <string>

// The stages' working memory: a stage that cannot work on the text itself writes its result into `spare`, which then
// becomes the text (and the text's memory the spare). A caller that converts again and again keeps it, so that a
// large text is worked on in memory already in use.
struct ConversionBuffers {
    std::wstring spare;
    LineStageMemory lineStage;
};

// Runs the enabled stages over `text`, reading the settings afresh. Stage failures add warning notices and leave the
// text as the stage received it; allocation failures and container limits leave as standard exceptions, after which
// the text is of no use (stages that can work on the text itself do).
void ConvertTextInPlace(const std::wstring& conversionId, std::wstring& text, ConversionBuffers& buffers);
// The same on a copy of `input`, with working memory of its own.
void ConvertText(const std::wstring& conversionId, const std::wstring& input, std::wstring& output);
