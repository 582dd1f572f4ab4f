// Linked into every test executable: the program's organisation and application names, set
// as the test's QCoreApplication starts, so tests use the program's own data folders.
#include "app/app_identity.h"

#include <QCoreApplication>

Q_COREAPP_STARTUP_FUNCTION(SetApplicationIdentity)
