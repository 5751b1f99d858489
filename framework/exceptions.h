#pragma once
// The system's exception classes. Every failure is an exception carrying its message text; the
// application object shows the text, except for the silent abort.

#include "framework/format.h"

#include <exception>
#include <string>

class Exception : public std::exception {
public:
    explicit Exception(std::string message) : m_message(std::move(message)) {}
    Exception(std::string_view format, std::initializer_list<FormatArg> args)
        : m_message(Format(format, args)) {}

    const std::string& Message() const { return m_message; }
    void SetMessage(std::string message) { m_message = std::move(message); }
    const char* what() const noexcept override { return m_message.c_str(); }

private:
    std::string m_message;
};

#define PICTAVO_EXCEPTION(Class, Base)                                                          \
    class Class : public Base {                                                                 \
    public:                                                                                     \
        using Base::Base;                                                                       \
    }

// The silent abort: ends an operation without a message.
class EAbort : public Exception {
public:
    EAbort() : Exception("Operation aborted") {}
};
[[noreturn]] void Abort();

PICTAVO_EXCEPTION(EInvalidGraphic, Exception);
PICTAVO_EXCEPTION(EInvalidGraphicOperation, Exception);
PICTAVO_EXCEPTION(EInvalidOperation, Exception);
PICTAVO_EXCEPTION(EConvertError, Exception);  // the assignment error among others
PICTAVO_EXCEPTION(EOutOfResources, Exception);
PICTAVO_EXCEPTION(EListError, Exception);
PICTAVO_EXCEPTION(EIniFileException, Exception);  // a settings file that cannot be written

PICTAVO_EXCEPTION(EStreamError, Exception);
PICTAVO_EXCEPTION(EReadError, EStreamError);
PICTAVO_EXCEPTION(EWriteError, EStreamError);
PICTAVO_EXCEPTION(EFOpenError, EStreamError);
PICTAVO_EXCEPTION(EFCreateError, EStreamError);

// An input/output failure with the platform's error code (the codes of the file-system layer).
class EInOutError : public Exception {
public:
    EInOutError(std::string message, int errorCode)
        : Exception(std::move(message)), ErrorCode(errorCode) {}
    int ErrorCode;
};

// A platform call that failed with an error code.
class EOSError : public Exception {
public:
    EOSError(std::string message, int errorCode)
        : Exception(std::move(message)), ErrorCode(errorCode) {}
    int ErrorCode;
};

// "Out of system resources", or the platform's own text when it gave one.
[[noreturn]] void OutOfResources(const std::string& platformText = {});
