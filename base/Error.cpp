#include "Error.h"

EProgramError::EProgramError(std::wstring Text, unsigned long SystemCode)
    : FText(std::move(Text)), FUtf8(ToUtf8(FText)), FSystemCode(SystemCode) {}
