#pragma once
// Replacing a file's content so that a crash or a full disk never leaves it cut short.

#include <string>
#include <string_view>

namespace platform {

// Replaces the file at path with bytes, so that path always holds either its old content or the whole new one.
// The bytes go to path + ".tmp" in the same folder and are flushed to the disk; the temporary file is then renamed
// over path (Windows: MoveFileExW with MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH; Linux: fsync, rename,
// and fsync of the folder). A path that is a symbolic link stays one: the file it leads to is replaced (made, when
// the link leads to no file yet), through any chain of links; a loop of links is a failure. On any failure the
// temporary file is removed, the old file stays as it was, and the answer is false.
bool ReplaceFileContent(const std::string& path, std::string_view bytes);

} // namespace platform
