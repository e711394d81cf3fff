#pragma once

#include <QStringView>

// Whether every character of s lies below U+0100. Such text is always in composed form,
// holds no combining marks and breaks into characters at every code unit but CR LF, which
// lets the search and the order skip work on the common case. Eight code units at a time.
bool isLatin1(QStringView s);
