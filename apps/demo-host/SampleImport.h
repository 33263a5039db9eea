#pragma once

#include <QString>

// A small FileZilla site list for `--show import-from`, written to the
// temporary folder: a folder, an SFTP and a WebDAV site (which has no
// protocol of its own here) and a site named as a sample session, so the
// preview shows each kind of line. Its path, or empty when it cannot be written.
QString WriteSampleSiteList();
