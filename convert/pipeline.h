// The conversion pipeline every rewritten text passes.
#pragma once
#include <string>

// Assigns `input` to `output` and runs the enabled stages over it, reading the settings afresh. Stage failures add
// warning notices; allocation failures and container limits leave as standard exceptions.
void ConvertText(const std::wstring& conversionId, const std::wstring& input, std::wstring& output);
