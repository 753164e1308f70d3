// Message texts of the runtime layer. Each is a format string for Format.
#pragma once

namespace ie {

inline constexpr const char* SAssignError = "Cannot assign a %s to a %s";
inline constexpr const char* SListIndexError = "List index out of bounds (%d)";
inline constexpr const char* SListCapacityError = "List capacity out of bounds (%d)";
inline constexpr const char* SDuplicateString = "String list does not allow duplicates";
inline constexpr const char* SSortedListError = "Operation not allowed on sorted list";
inline constexpr const char* SInvalidFormat = "Format '%s' invalid or incompatible with argument";
inline constexpr const char* SArgumentMissing = "No argument for format '%s'";
inline constexpr const char* SInvalidInteger = "'%s' is not a valid integer value";
inline constexpr const char* SInvalidFloat = "'%s' is not a valid floating point value";
inline constexpr const char* SInvalidCast = "Invalid class typecast";
inline constexpr const char* SOperationAborted = "Operation aborted";
inline constexpr const char* SClassNotFound = "Class %s not found";
inline constexpr const char* SDuplicateClass = "A class named %s already exists";
inline constexpr const char* SDuplicateName = "A component named %s already exists";
inline constexpr const char* SInvalidName = "''%s'' is not a valid component name";
inline constexpr const char* SNotConstructible = "Class %s cannot be constructed";
inline constexpr const char* SDivByZero = "Division by zero";
inline constexpr const char* SIntOverflow = "Integer overflow";
inline constexpr const char* SZeroDivide = "Floating point division by zero";
inline constexpr const char* SInvalidOp = "Invalid floating point operation";
inline constexpr const char* SOverflow = "Floating point overflow";
inline constexpr const char* SReadError = "Stream read error";
inline constexpr const char* SWriteError = "Stream write error";
inline constexpr const char* SInvalidStreamFormat = "Invalid stream format";
inline constexpr const char* SUnknownProperty = "Property %s does not exist";
inline constexpr const char* SFOpenError = "Cannot open file \"%s\". %s";
inline constexpr const char* SFCreateError = "Cannot create file \"%s\". %s";
inline constexpr const char* SFReadError = "Cannot read file \"%s\". %s";
inline constexpr const char* SFWriteError = "Cannot write file \"%s\". %s";
inline constexpr const char* SHashtableEmpty = "Hash table is empty";
inline constexpr const char* SDateEncodeError = "Invalid argument to date encode";
inline constexpr const char* STimeEncodeError = "Invalid argument to time encode";
inline constexpr const char* SInvalidDateTime = "'%s' is not a valid date and time";
inline constexpr const char* SInvalidDate = "'%s' is not a valid date";
inline constexpr const char* SInvalidTime = "'%s' is not a valid time";
inline constexpr const char* SInvalidPropertyType = "Invalid property type: %s";
inline constexpr const char* SInvalidPropertyValue = "Invalid property value";
inline constexpr const char* SPropertyReadOnly = "Property %s is read-only";
inline constexpr const char* SRateOutOfRange = "Rate %s must be greater than -1";
inline constexpr const char* SLifeOutOfRange = "Life %d must be at least 1";
inline constexpr const char* SPeriodOutOfRange = "Period %d is outside 1 to %d";
inline constexpr const char* SNoConvergence =
    "The rate cannot be found: the iteration does not converge";
inline constexpr const char* SHashtableIndexError = "Hash table position out of bounds (%d)";

}  // namespace ie
