#pragma once
// The user's clock and locale settings.

// The local date and time now, in days since 1899-12-30.
double NowInDays();

// Takes the decimal separator and the date and time formats of the user's locale.
void ApplySystemLocale();
