#include "ui/spacer_rule.h"

int MessageSpacerHeight(int textWidth, int lineHeight, int pixelsPerLine) {
  int lines = textWidth / pixelsPerLine;
  int height = (65 - lines * lineHeight) / 2;
  return height == 1 ? 6 : height;
}
