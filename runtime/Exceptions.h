// The runtime's exception families. Every error of the library derives from
// Exception, which derives from std::exception so that a host may catch
// either; what() returns the message. Messages are the runtime's own texts
// (RuntimeConsts.h), filled with Format.
#pragma once

#include <exception>
#include <string>
#include <utility>

namespace ie {

class Exception : public std::exception {
 public:
  explicit Exception(std::string Message) : FMessage(std::move(Message)) {}

  const std::string& GetMessage() const { return FMessage; }
  void SetMessage(std::string Message) { FMessage = std::move(Message); }
  const char* what() const noexcept override { return FMessage.c_str(); }

 private:
  std::string FMessage;
};

// The silent exception: hosts and the shell stop what they do without
// reporting anything.
class EAbort : public Exception {
 public:
  using Exception::Exception;
};

class EConvertError : public Exception {
 public:
  using Exception::Exception;
};

class EListError : public Exception {
 public:
  using Exception::Exception;
};

class EStringListError : public EListError {
 public:
  using EListError::EListError;
};

class EInvalidCast : public Exception {
 public:
  using Exception::Exception;
};

class EInvalidOperation : public Exception {
 public:
  using Exception::Exception;
};

class EClassNotFound : public Exception {
 public:
  using Exception::Exception;
};

class EPropertyError : public Exception {
 public:
  using Exception::Exception;
};

class EComponentError : public Exception {
 public:
  using Exception::Exception;
};

// Integer arithmetic errors.
class EIntError : public Exception {
 public:
  using Exception::Exception;
};

class EDivByZero : public EIntError {
 public:
  using EIntError::EIntError;
};

class EIntOverflow : public EIntError {
 public:
  using EIntError::EIntError;
};

// Floating-point errors.
class EMathError : public Exception {
 public:
  using Exception::Exception;
};

class EZeroDivide : public EMathError {
 public:
  using EMathError::EMathError;
};

class EInvalidOp : public EMathError {
 public:
  using EMathError::EMathError;
};

class EOverflow : public EMathError {
 public:
  using EMathError::EMathError;
};

// Stream and file errors.
class EStreamError : public Exception {
 public:
  using Exception::Exception;
};

class EReadError : public EStreamError {
 public:
  using EStreamError::EStreamError;
};

class EWriteError : public EStreamError {
 public:
  using EStreamError::EStreamError;
};

class EFOpenError : public EStreamError {
 public:
  using EStreamError::EStreamError;
};

class EFCreateError : public EStreamError {
 public:
  using EStreamError::EStreamError;
};

// Holds the first error of several steps, so that a loop finishes its work
// and raises that error afterwards. The silent EAbort is never held.
class TDeferredError {
 public:
  template <class TStep>
  void Run(TStep&& Step) {
    try {
      Step();
    } catch (const EAbort&) {
      throw;
    } catch (const Exception&) {
      Keep(std::current_exception());
    }
  }
  // Holds Error unless an earlier one is held.
  void Keep(std::exception_ptr Error) {
    if (!FFirst) FFirst = std::move(Error);
  }
  // Raises the error held, if any, and forgets it.
  void Raise() {
    if (FFirst) std::rethrow_exception(std::exchange(FFirst, nullptr));
  }

 private:
  std::exception_ptr FFirst;
};

}  // namespace ie
