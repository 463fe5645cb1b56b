#pragma once

#include <QString>

namespace sonaro {

// Where the per-user profile lives (QSettings organisation and application).
inline const QString kProfileOrganisation = QStringLiteral("Tavrin Palmet Applications");
inline const QString kProfileApplication = QStringLiteral("Sonaro");

}  // namespace sonaro
