// Observation points for the end-to-end tests, inert unless their environment variables are set:
// PASTREL_NOTICE_LOG names a file to which every balloon shown is appended (level, space, UTF-8 text, NUL);
// PASTREL_FAULT_MARKER makes the pipeline throw for a text containing that marker, so that the exception path of
// the clipboard processing can be driven for real.
#pragma once
#include <string_view>

void InitTestHooks();
void RecordShownNotice(unsigned level, const wchar_t* text);
bool FaultRequestedFor(std::wstring_view text);
