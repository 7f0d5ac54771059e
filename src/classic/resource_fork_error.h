#pragma once

#include <string>
#include <string_view>

// A failure to read a file's resource fork, shaped like the classic
// Resource Manager's errors: a domain, a numeric status and a message that
// is shown to the user as it is.
struct TonnixResourceForkError {
  static constexpr std::string_view domain = "TonnixResourceForkErrorDomain";

  // Classic file-system statuses, so codes read as they did on the Mac.
  static constexpr int kParameterError = -50;    // paramErr
  static constexpr int kFileNotFound = -43;      // fnfErr
  static constexpr int kEndOfFile = -39;         // eofErr: no fork, or an empty one
  static constexpr int kPermissionDenied = -54;  // permErr
  static constexpr int kIOError = -36;           // ioErr
  static constexpr int kMapReadError = -199;     // mapReadErr: the fork's map is damaged

  int code = 0;
  std::string message;

  static TonnixResourceForkError notAFileURL() { return {kParameterError, "Not a file URL"}; }
  static TonnixResourceForkError couldNotLocate(int status) {
    return {status, "Could not locate the file"};
  }
  static TonnixResourceForkError noReadableFork(int status) {
    return {status, "The file has no readable resource fork"};
  }
  static TonnixResourceForkError emptyFork() { return {kEndOfFile, "The resource fork is empty"}; }

  const std::string& description() const { return message; }
  friend bool operator==(const TonnixResourceForkError&, const TonnixResourceForkError&) = default;
};
