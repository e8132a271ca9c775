#include "common/FormatSettings.h"

TFormatSettings& FormatSettings() {
  static TFormatSettings Settings;
  return Settings;
}
