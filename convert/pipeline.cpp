#include "convert/pipeline.h"

#include "base/notices.h"
#include "convert/definitions.h"
#include "convert/filter.h"
#include "convert/lines.h"
#include "convert/regex_stage.h"
#include "settings/settings.h"

namespace {

// The text as the stages leave it: the input itself until a stage changes it. Each stage reads the current text
// and writes its result once, so a huge copy that passes unchanged stages is never copied for them.
class WorkingText {
public:
    explicit WorkingText(const std::wstring& input) : input_(input) {}
    const std::wstring& Current() const { return owned_ ? work_ : input_; }
    std::wstring& Mutable() {
        if (!owned_) work_ = input_;
        owned_ = true;
        return work_;
    }
    void Replace(std::wstring&& text) {
        work_ = std::move(text);
        owned_ = true;
    }
    void MoveTo(std::wstring& output) {
        if (owned_) output = std::move(work_);
        else output = input_;
    }

private:
    const std::wstring& input_;
    std::wstring work_;
    bool owned_ = false;
};

void Warn(const std::wstring& warning) {
    if (!warning.empty()) AddNotice(warning, NOTICE_WARNING);
}

} // namespace

void ConvertText(const std::wstring& conversionId, const std::wstring& input, std::wstring& output) {
    const SettingsRecord& s = Settings;
    WorkingText text(input);
    if (!conversionId.empty() && !input.empty()) {
        std::wstring result, warning;
        if (ApplyDefinitionConversion(ConversionTable, conversionId, text.Current(), result, warning))
            text.Replace(std::move(result));
        Warn(warning);
    }
    if (s.DelSpace || s.DelEnter || s.DelTab) text.Replace(DeleteCharacters(s, text.Current()));
    if (s.REP_REP) {
        std::wstring result;
        std::wstring warning = ApplyRegexReplacement(s, text.Current(), result);
        if (warning.empty()) text.Replace(std::move(result));
        else Warn(warning);
    }
    if (LineStageEnabled(s)) text.Replace(RunLineStage(s, text.Current()));
    if (s.USE_CMDLINE)
        for (const std::wstring& warning : RunExternalFilter(s, text.Mutable())) Warn(warning);
    text.MoveTo(output);
}
