#pragma once

#include <QString>

// Fixed fragments that several pages share.

// The column span of every full-width row of the page table.
inline constexpr int kPageColumns = 7;

// One full-width row of text: "<tr><td colspan=7><font ...>" + html + "</td></tr>".
// html is inserted as it is; callers escape the values inside it.
QString MessageRow(const QString& html);

// The row with the Continue button that leads back to the list of all entries.
QString ContinueRow();
