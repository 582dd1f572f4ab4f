#pragma once

#include <QString>

// Caption of both windows and section of the settings store.
inline constexpr auto ProductName = "Quillmark Column Recapitalizer for Database Tables";

// The product name cut at its last space until it has at most 40 characters (at least
// once): "Quillmark Column Recapitalizer for".
QString ApplicationTitleFor(const QString& productName);

// Computes the application title from the product name and installs it for the program.
void SetApplicationTitle();

// The installed title; what message boxes without a title of their own show.
QString ApplicationTitle();
