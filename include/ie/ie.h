// The public API of the library: include this one header.
#pragma once

#include "runtime/Component.h"
#include "runtime/Conversions.h"
#include "runtime/DateTime.h"
#include "runtime/Dialogs.h"
#include "runtime/Exceptions.h"
#include "runtime/Format.h"
#include "runtime/Interfaced.h"
#include "runtime/Object.h"
#include "runtime/Persistent.h"
#include "runtime/Sets.h"
#include "runtime/Streams.h"
#include "runtime/StringList.h"
#include "runtime/TypeInfo.h"

#include "libs/Collections.h"
#include "libs/FuzzySet.h"
#include "libs/Hashing.h"
#include "libs/TextStream.h"

#include "core/IEConsts.h"
#include "core/IEDefinedType.h"
#include "core/IEFactOwner.h"
#include "core/IEFactPrinter.h"
#include "core/IEFacts.h"
#include "core/IEFuzzyLogic.h"
#include "core/IEInterfaces.h"
#include "core/IEValue.h"

#include "rete/IEContext.h"
#include "rete/IEToken.h"

#include "functions/IEHelperFunctions.h"

#include "engine/IOStreams.h"
#include "engine/InferenceEngine.h"

#include "parser/ConstructSyntax.h"
#include "parser/IEParser.h"
#include "parser/IETokenizer.h"
#include "packages/FunctionCatalog.h"
#include "packages/FuzzyLogicPackage.h"
#include "packages/StandardPackage.h"
