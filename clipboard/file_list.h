// Turning a copied file list (a DROPFILES block) into text, one line per item.
#pragma once
#include <cstddef>
#include <functional>
#include <string>

enum class FileListMode { Names = 1, FullPaths = 2 };

// Another spelling of a full path (under Wine, the file's Linux path); false leaves the path as it is.
using PathMapper = std::function<bool(const std::wstring& path, std::wstring& mapped)>;

// Each line is the item's full path or the part after its last backslash, ended by CR LF; at most 519 characters
// of a path are used. Full paths go through `mapFullPath` when one is given; names never do. Reads only inside the
// `size` bytes given; false when the block is not a valid DROPFILES block (too small, list offset outside it).
bool BuildFileListText(const void* block, size_t size, FileListMode mode, std::wstring& text,
                       const PathMapper& mapFullPath = {});
