#include "platform/SystemCertificates.h"

QByteArray systemCaFolder() { return QByteArrayLiteral("/etc/ssl/certs"); }
