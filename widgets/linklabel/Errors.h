#pragma once
// The failures of the link label core. Malformed captions raise none of
// them; they signal misuse of the tree, scanner and layout operations.

#include "framework/Exception.h"

namespace linklabel {

class EParserError : public Exception {
public:
    using Exception::Exception;
};

class ENodeError : public Exception {
public:
    using Exception::Exception;
};

class EGenericToolsError : public Exception {
public:
    using Exception::Exception;
};

class ETextHandlerError : public Exception {
public:
    using Exception::Exception;
};

}  // namespace linklabel
