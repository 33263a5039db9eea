#pragma once

#include <string>

class QWidget;

// The file dialog of "Expor&t Selected Session(s)..." (`save`) and
// "I&mport Settings from XML File...": XML files, the library's own dialog
// (so that it looks and behaves the same on every desktop). True with the
// chosen file.
bool ChooseExchangeFileDialog(bool save, std::string& file, QWidget* parent);
