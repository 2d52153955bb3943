#include "convert/pipeline.h"

#include "app/notify.h"
#include "app/test_hooks.h"
#include "convert/definitions.h"
#include "convert/filter.h"
#include "convert/lines.h"
#include "convert/regex_stage.h"
#include "settings/settings.h"

#include <stdexcept>

void ConvertText(const std::wstring& conversionId, const std::wstring& input, std::wstring& output) {
    if (FaultRequestedFor(input)) throw std::runtime_error("conversion fault requested by PASTREL_FAULT_MARKER");
    const SettingsRecord& s = Settings;
    output = input;
    if (!conversionId.empty() && !input.empty()) {
        std::wstring warning;
        ApplyDefinitionConversion(conversionId, output, warning);
        if (!warning.empty()) Notify(nullptr, warning.c_str(), NOTICE_WARNING);
    }
    if (s.DelSpace || s.DelEnter || s.DelTab) DeleteCharacters(s, output);
    if (s.REP_REP) {
        std::wstring warning = ApplyRegexReplacement(s, output);
        if (!warning.empty()) Notify(nullptr, warning.c_str(), NOTICE_WARNING);
    }
    if (LineStageEnabled(s)) RunLineStage(s, output);
    if (s.USE_CMDLINE)
        for (const std::wstring& warning : RunExternalFilter(s, output)) Notify(nullptr, warning.c_str(), NOTICE_WARNING);
}
