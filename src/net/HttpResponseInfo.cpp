#include "net/HttpResponseInfo.h"

#include <QFile>

TIdHTTPResponseInfo::TIdHTTPResponseInfo() = default;
TIdHTTPResponseInfo::~TIdHTTPResponseInfo() = default;
