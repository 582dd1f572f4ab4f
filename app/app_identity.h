#pragma once

// Sets the organisation and application names the whole program shares, so that the
// windows, the command line and the tests find the same data folder
// ($XDG_DATA_HOME/Vantrel/Quillmark Column Recapitalizer). Call once a QCoreApplication
// exists, or before it is created.
void SetApplicationIdentity();
