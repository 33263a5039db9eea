#pragma once

#include <functional>

#include "profile/exchange/SessionExchangeDatabase.h"

// Runs an import as both import commands do: a line for each session
// ("added", "skipped", "renamed" or "replaced" and its path), progress on
// a terminal, a policy's refusal said once on standard error. A document
// that fails becomes a ToolFailure. True when a policy held a value back.
bool RunToolImport(SessionExchangeImport& import, const std::function<void(IExchangeVisitor&)>& read);
