#pragma once

// The status lines and captions of an update run, each in one place.
namespace UpdateText {

inline constexpr char HeaderCheckFailed[] = "Header check failed";
inline constexpr char ServerError[] = "Error occured while checking update";
inline constexpr char FileNotFound[] = "File was not found on server";
inline constexpr char UnknownCommand[] = "Unknown command reply from server";
inline constexpr char UnknownResponse[] = "Unknown response from server";

inline constexpr char BuildRequestSent[] = "Build info request sent";
inline constexpr char InsufficientRequestData[] = "Insufficient request data";
inline constexpr char FailedToConnect[] = "Failed to connect";
inline constexpr char FailedToDownload[] = "Failed to download ";     // + file name
inline constexpr char FailedToReadSize[] = "Failed to read ";         // + file name + SizeSuffix
inline constexpr char SizeSuffix[] = " filesize";
inline constexpr char Downloading[] = "Downloading ";                 // + file name + Ellipsis
inline constexpr char Ellipsis[] = "..";
inline constexpr char Completed[] = " completed (";                   // file name + this + size + ")"
inline constexpr char ErrorDownloading[] = "Error downloading ";      // + file name

inline constexpr char Updating[] = "Updating..";
inline constexpr char CheckingUpdatesOn[] = "Checking updates on ";   // + host ":" port ".."
inline constexpr char UpdateFailed[] = "Update Failed";
inline constexpr char UpdateAvailable[] = "Update available (b";      // + number line + ")"
inline constexpr char NoUpdateAvailable[] = "No update available at the moment (b";
inline constexpr char NoUpdatesAvailable[] = "No Updates Available";
inline constexpr char ViewingChangeNotes[] = "Viewing change notes";
inline constexpr char DownloadingUpdate[] = "Downloading update";
inline constexpr char UpdatingInterrupted[] = "Updating interrupted";
inline constexpr char UpdateDownloaded[] = "Update Downloaded";
inline constexpr char RunPrefix[] = "Run ";                           // + file name + RunSuffix
inline constexpr char RunSuffix[] = " now?";
inline constexpr char ProgressOf[] = " of ";

}  // namespace UpdateText
