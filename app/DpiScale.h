#pragma once

class QWidget;

// Sets every widget of the tree to a 10-point font and shrinks it by the
// screen scale (dots per inch / 96), visiting each widget once.
void applyDpiScale(QWidget *root, double factor);
