#pragma once

// The fixed failure messages of the workbook, raised when AllowExceptions is set.
namespace WorkbookMessages {
inline constexpr char kPageOutOfBounds[] = "Page out of bounds.";
inline constexpr char kIndexOutOfBounds[] = "Index out of bounds.";
inline constexpr char kRowOutOfBounds[] = "Row out of bounds.";
inline constexpr char kColumnOutOfBounds[] = "Column out of bounds.";
inline constexpr char kFailedToOpenFile[] = "Failed to open file.";
inline constexpr char kHeaderCheckFailed[] = "Header check failed.";
inline constexpr char kNoMoreContent[] = "Cannot get next line, no more content.";
inline constexpr char kExceptionOccured[] = "Exception occured.";
inline constexpr char kNoFilenameDefined[] = "No filename defined.";
}  // namespace WorkbookMessages
