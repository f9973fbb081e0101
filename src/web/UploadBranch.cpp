#include "web/UploadBranch.h"

PhotoUploadResult RunPhotoUpload(const PhotoUploadRequest& upload)
{
    Q_UNUSED(upload);
    return {};
}
