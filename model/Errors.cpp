#include "model/Errors.h"

namespace lay {

bool IsProgramError(const std::exception& error) {
    if (dynamic_cast<const EProgramFault*>(&error) || dynamic_cast<const EConvertError*>(&error))
        return true;
    return dynamic_cast<const Exception*>(&error) == nullptr;
}

void RaiseFormatError(const std::string& detail) {
    throw EParserError(std::string(SInvalidFileFormat) + "\r\n" + detail);
}

void RaiseNoConnection() {
    throw Exception(SNoConnection);
}

void RaiseConvertError(const std::string& text) {
    throw EConvertError("'" + text + "' не является целым числом");
}

} // namespace lay
