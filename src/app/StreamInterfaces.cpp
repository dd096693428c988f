#include "app/StreamInterfaces.h"

#include "core/ClassDefinitionRows.h"
#include "core/ClassRegistry.h"
#include "core/Startup.h"

namespace {

using namespace lang;

const MethodRow kReadableMethods[] = {
    QV_ABSTRACT("Read", String, Param("Count", Integer),
                Param("encoding", Class<"TextEncoding">).Default(0)),
    QV_ABSTRACT("EOF", Boolean),
    QV_ABSTRACT("ReadError", Boolean),
};
const MethodRow kWriteableMethods[] = {
    QV_ABSTRACT("Write", nullptr, Param("text", String)),
    QV_ABSTRACT("Flush", nullptr),
    QV_ABSTRACT("WriteError", Boolean),
};
const MethodRow kPollableMethods[] = {
    QV_ABSTRACT("_Poll", nullptr),
};

constexpr uint32_t kEveryTarget = kRowEveryTarget;

}  // namespace

QV_CLASS(ReadableInterfaceDefinition,
         .name = "Readable",
         .methods = kReadableMethods,
         .flags = kEveryTarget,
         .isInterface = true)
QV_CLASS(WriteableInterfaceDefinition,
         .name = "Writeable",
         .methods = kWriteableMethods,
         .flags = kEveryTarget,
         .isInterface = true)
QV_CLASS(PollableInterfaceDefinition,
         .name = "_Pollable",
         .methods = kPollableMethods,
         .flags = kEveryTarget,
         .isInterface = true)

QV_STARTUP_CLASS(kStartupReadableInterface, ReadableInterfaceDefinition)
QV_STARTUP_CLASS(kStartupWriteableInterface, WriteableInterfaceDefinition)
QV_STARTUP_CLASS(kStartupPollableInterface, PollableInterfaceDefinition)
