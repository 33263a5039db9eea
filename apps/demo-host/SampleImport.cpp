#include "SampleImport.h"

#include <QDir>
#include <QFile>

QString WriteSampleSiteList()
{
    const QString path = QDir::temp().filePath(QStringLiteral("orvalis-demo-sitemanager.xml"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return {};
    file.write(R"(<?xml version="1.0" encoding="UTF-8"?>
<FileZilla3 version="3.66.4" platform="*nix">
  <Servers>
    <Server><Host>jump.example.com</Host><Port>22</Port><Protocol>1</Protocol><User>ops</User><Name>jump host</Name></Server>
    <Folder expanded="1">Customers
      <Server><Host>sftp.customer.example</Host><Port>2222</Port><Protocol>1</Protocol><User>bob</User><Name>Customer files</Name></Server>
      <Server><Host>dav.customer.example</Host><Port>443</Port><Protocol>9</Protocol><User>carol</User><Name>Customer DAV</Name></Server>
    </Folder>
    <Server><Host>ftp.example.com</Host><Port>21</Port><Protocol>0</Protocol><User>alice</User><Name>Public mirror</Name><Comments>Anonymous uploads</Comments></Server>
  </Servers>
</FileZilla3>
)");
    return file.error() == QFile::NoError ? path : QString();
}
