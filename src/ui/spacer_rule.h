#pragma once
// The height of the spacer that centres a message vertically in a 65-pixel band, from the
// one-line extent of the message (w, h) and the width of one line of its box.

#include <string>

#include "skin/paint_manager.h"

int MessageSpacerHeight(int textWidth, int lineHeight, int pixelsPerLine);

// Puts `text` into the window's text control, first giving its spacer (when the skin has
// one) the height of the rule. Nothing when the skin lacks the text control.
void PlaceMessage(DuiLib::CPaintManagerUI& manager, const wchar_t* textName, const wchar_t* spacerName,
                  const std::wstring& text, int pixelsPerLine);
