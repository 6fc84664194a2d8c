#pragma once
// The height of the spacer that centres a message vertically in a 65-pixel band, from the
// one-line extent of the message (w, h) and the width of one line of its box.

int MessageSpacerHeight(int textWidth, int lineHeight, int pixelsPerLine);
