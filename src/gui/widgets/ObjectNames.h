#pragma once
// A window names its widgets after their members, so that they can be found
// with findChild.
#include <QObject>
#include <initializer_list>
#include <utility>

inline void NameObjects(std::initializer_list<std::pair<QObject*, const char*>> Objects) {
  for (const auto& [Object, Name] : Objects) Object->setObjectName(QLatin1String(Name));
}
