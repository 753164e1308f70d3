// The public API of the library: include this one header. It declares what
// a host uses (the engine and its events, values, facts and templates, host
// functions, exceptions, the owning handle); the match network, the agenda,
// the execution context and the parser are only named, never reachable.
#pragma once

#include "core/IEConsts.h"
#include "core/IEDefinedType.h"
#include "core/IEFacts.h"
#include "core/IEParseException.h"
#include "core/IEValue.h"
#include "engine/InferenceEngine.h"
#include "engine/UndefinedCalls.h"
#include "functions/IEPackages.h"
#include "functions/IEUserFunction.h"
#include "runtime/ClassRegistry.h"
#include "runtime/Component.h"
#include "runtime/Exceptions.h"
#include "runtime/Format.h"
#include "runtime/Object.h"
#include "runtime/Properties.h"
#include "runtime/Streams.h"
