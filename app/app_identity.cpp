#include "app/app_identity.h"

#include <QCoreApplication>

void SetApplicationIdentity() {
    QCoreApplication::setOrganizationName(QStringLiteral("Vantrel"));
    QCoreApplication::setApplicationName(QStringLiteral("Quillmark Column Recapitalizer"));
}
