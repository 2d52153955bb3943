#include "convert/pipeline.h"

#include "app/test_hooks.h"

#include <stdexcept>

void ConvertText(const std::wstring& conversionId, const std::wstring& input, std::wstring& output) {
    (void)conversionId;
    if (FaultRequestedFor(input)) throw std::runtime_error("conversion fault requested by PASTREL_FAULT_MARKER");
    output = input;
}
