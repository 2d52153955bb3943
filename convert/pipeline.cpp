#include "convert/pipeline.h"

#include "base/notices.h"
#include "convert/definitions.h"
#include "convert/filter.h"
#include "convert/regex_stage.h"
#include "settings/settings.h"

namespace {

void Warn(const std::wstring& warning) {
    if (!warning.empty()) AddNotice(warning, NOTICE_WARNING);
}

} // namespace

void ConvertTextInPlace(const std::wstring& conversionId, std::wstring& text, ConversionBuffers& buffers) {
    const SettingsRecord& s = Settings;
    std::wstring& spare = buffers.spare;
    if (!conversionId.empty() && !text.empty()) {
        std::wstring warning;
        ApplyDefinitionConversionInPlace(ConversionTable, conversionId, text, spare, warning);
        Warn(warning);
    }
    if (s.DelSpace || s.DelEnter || s.DelTab) DeleteCharactersInPlace(s, text);
    if (s.REP_REP) {
        std::wstring warning = ApplyRegexReplacement(s, text, spare);
        if (warning.empty()) text.swap(spare);
        else Warn(warning);
    }
    if (LineStageEnabled(s)) {
        RunLineStage(s, text, spare, buffers.lineStage);
        text.swap(spare);
    }
    if (s.USE_CMDLINE)
        for (const std::wstring& warning : RunExternalFilter(s, text)) Warn(warning);
}

void ConvertText(const std::wstring& conversionId, const std::wstring& input, std::wstring& output) {
    ConversionBuffers buffers;
    output = input;
    ConvertTextInPlace(conversionId, output, buffers);
}
