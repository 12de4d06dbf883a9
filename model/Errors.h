#pragma once

#include <exception>
#include <string>

namespace lay {

// Every error carries the complete message the user is shown.
class Exception : public std::exception {
public:
    explicit Exception(std::string message) : FMessage(std::move(message)) {}
    const char* what() const noexcept override { return FMessage.c_str(); }
    const std::string& Message() const { return FMessage; }

private:
    std::string FMessage;
};

// The user refused or cancelled: ends the command without a message.
class EAbort : public Exception {
public:
    EAbort() : Exception("Operation aborted") {}
};

class EConvertError : public Exception {
    using Exception::Exception;
};
class EParserError : public Exception {
    using Exception::Exception;
};
class EReadError : public Exception {
    using Exception::Exception;
};
class EWriteError : public Exception {
    using Exception::Exception;
};
class EListError : public Exception {
    using Exception::Exception;
};
class ESendMailException : public Exception {
    using Exception::Exception;
};

// The kinds below never come from the user's input: they mark a fault of the program itself.
class EProgramFault : public Exception {
    using Exception::Exception;
};
class EInOutError : public EProgramFault {
    using EProgramFault::EProgramFault;
};
class EInvalidCast : public EProgramFault {
    using EProgramFault::EProgramFault;
};
class EAssertionFailed : public EProgramFault {
    using EProgramFault::EProgramFault;
};
class EAbstractError : public EProgramFault {
    using EProgramFault::EProgramFault;
};
class EInvalidOperation : public EProgramFault {
    using EProgramFault::EProgramFault;
};
class EResNotFound : public EProgramFault {
    using EProgramFault::EProgramFault;
};
class EThread : public EProgramFault {
    using EProgramFault::EProgramFault;
};

// True for errors that are faults of the program rather than of the user's input, so that
// an error report is worth offering. Anything that is not one of our own messages counts
// as such a fault (out of memory, a failed library invariant).
bool IsProgramError(const std::exception& error);

// Fixed texts of the program's string table.
inline constexpr const char* SInvalidFileFormat = "Неверный формат файла.";
inline constexpr const char* SNoConnection = "Нет связи";
inline constexpr const char* SReadError = "Ошибка чтения потока";

// "Неверный формат файла." + CR LF + detail, as a parser error.
[[noreturn]] void RaiseFormatError(const std::string& detail);
[[noreturn]] void RaiseNoConnection();
// The integer conversion error for a text that is not a number.
[[noreturn]] void RaiseConvertError(const std::string& text);

} // namespace lay
