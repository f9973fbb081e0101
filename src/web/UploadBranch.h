#pragma once

#include <QString>

#include <functional>

class TIdHTTPRequestInfo;

// The photo upload, first step of the request dispatch. The dispatcher has already decided
// that the request is a "multipart/form-data" post with uploads allowed, and that it comes
// from our own site; this branch only handles the body.

struct PhotoUploadRequest {
    const TIdHTTPRequestInfo& request;  // its PostStream holds the multipart body
    QString photoPath;                  // base folder + "/photos/" + leaf of the path + ".jpg"
    // Writes one log line: the client's address followed by the given event text.
    std::function<void(const QString& event)> logEvent;
};

struct PhotoUploadResult {
    // false: dispatch goes on with the next step (photo stored, or nothing to extract).
    // true: the request ends with pageBody framed by the page header and footer.
    bool answered = false;
    QString pageBody;
};

PhotoUploadResult RunPhotoUpload(const PhotoUploadRequest& upload);
