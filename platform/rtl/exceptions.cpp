#include "platform/rtl/exceptions.h"

#include "platform/rtl/sysutils.h"

Exception::Exception(const std::string& format, std::initializer_list<TVarRec> args)
    : FMessage(Format(format, args)) {}
