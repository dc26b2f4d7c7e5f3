#pragma once
/// Where an output named by a path goes, and how it is written there, for
/// every front end that writes files. Nothing that is not a regular file is
/// ever replaced:
///  - a regular file, or none yet, is written to a hidden companion file
///    beside it and renamed over it when every byte has gone, so a failure
///    leaves the old file (or none) and no companion;
///  - a symbolic link is followed, and its target written the same way in
///    the target's folder, the link kept; a link to nothing creates its
///    target when the target's folder exists;
///  - a character device or a named pipe (a terminal, /dev/null, a FIFO) is
///    written in place, as a stream, as it goes;
///  - one of the process's own descriptors (/dev/stdout, /dev/fd/3) is
///    written through that descriptor;
///  - a folder, a socket or a block device is refused.

#include <sys/types.h>

#include <filesystem>
#include <string>

#include "common/surroundings.hpp"
#include "common/written_file.hpp"

namespace quill {

struct OutputPlace {
  enum Kind {
    file,        ///< a regular file, or a new one: through a companion file
    stream,      ///< a character device or a named pipe: in place
    descriptor,  ///< an open descriptor of this process
    refused,     ///< never written
  };
  Kind kind = file;
  /// file: the regular file put in place, links followed; stream: the node.
  std::filesystem::path target;
  int fd = -1;  ///< descriptor: its number
  /// refused: why, in a few words after the path ("is a folder", "the folder
  /// out does not exist"); and the system's error number a script is given.
  std::string why;
  int error = 0;
};

/// Where `path` goes when written.
OutputPlace place_output(const std::filesystem::path& path);

/// What a place is, for telling two outputs (or an output and an input)
/// apart: the same node, or the same path for a file still to be made.
struct PlaceIdentity {
  bool exists = false;
  dev_t device = 0;
  ino_t inode = 0;
  std::string path;  ///< the made file's path, when it does not exist yet
  bool operator==(const PlaceIdentity& o) const {
    return exists == o.exists && (exists ? device == o.device && inode == o.inode : path == o.path);
  }
};
PlaceIdentity identity_of(const OutputPlace& place);
/// The node at `path` (links followed), or its spelling made absolute.
PlaceIdentity identity_of(const std::filesystem::path& path);

/// One output being written to its place. A regular file is created beside
/// its target and renamed into place by commit(); a stream takes every
/// write at once and cannot be taken back.
class PlacedOutput {
 public:
  /// `opener`, when set, is the surroundings' way of opening files: a
  /// regular file's buffer then comes from it, without a companion file.
  explicit PlacedOutput(OutputPlace place, OutputOpener opener = {});
  ~PlacedOutput();  ///< removes the companion file unless it was committed
  PlacedOutput(const PlacedOutput&) = delete;
  PlacedOutput& operator=(const PlacedOutput&) = delete;

  /// Creates the companion file, opens the stream or takes the descriptor;
  /// false (reason set) when it cannot.
  bool open();
  std::ostream& stream() { return file_.stream(); }
  /// Pushes out what was written; false once anything failed.
  bool flush() { return file_.flush(); }
  /// Flushes, closes, and puts a file in place. False when anything failed;
  /// a companion file is then removed.
  bool commit();
  /// Gives the output up: a companion file is removed, a stream closed.
  void discard();

  const OutputPlace& place() const { return place_; }
  /// True for outputs written in place as they go.
  bool is_stream() const { return place_.kind == OutputPlace::stream || place_.kind == OutputPlace::descriptor; }
  bool failed() const { return file_.failed(); }
  const std::string& reason() const { return file_.reason(); }
  int error() const { return file_.error(); }

 private:
  bool open_companion();

  OutputPlace place_;
  OutputOpener opener_;
  std::filesystem::path partial_;
  WrittenFile file_;
  bool made_ = false;  ///< a companion file exists
};

}  // namespace quill
