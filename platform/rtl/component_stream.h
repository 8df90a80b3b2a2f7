// Component streams: a component and its published properties in the typed value stream.
//
// Layout: the signature "TPF0"; the class name and the name, each a length byte and the bytes;
// each stored property as a length-prefixed name ("Font.Name" for nested objects) plus one typed
// value; a list end; the child components in the same form; a list end.
//
// TWriter::WriteRootComponent / TReader::ReadRootComponent and TStream::WriteComponent /
// TStream::ReadComponent are the entry points (declared in typed_stream.h and streams.h).
#pragma once

#include <string>

#include "platform/rtl/typed_stream.h"

// A whole component stream as bytes, and back (helpers for callers holding strings).
std::string ComponentToBytes(TComponent* Component);
TComponent* ComponentFromBytes(const std::string& Bytes, TComponent* Instance);
