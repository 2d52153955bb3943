#include "app/x11_hotkeys.h"

#include "base/x11_companion.h"
#include "settings/settings.h"

#include <string>
#include <type_traits>

void ShareHotkeysWithX11Companion() {
    std::string lines;
    VisitSettingsKeys(Settings, [&lines](const wchar_t* key, auto& field, auto) {
        using Field = std::decay_t<decltype(field)>;
        if constexpr (std::is_arithmetic_v<Field>) {
            if (key[0] != L'S' || key[1] != L'K') return;
            for (const wchar_t* c = key; *c; ++c) lines += static_cast<char>(*c);
            lines += '=' + std::to_string(static_cast<int>(field)) + '\n';
        }
    });
    WriteX11CompanionFile(L"hotkeys", lines);
}
