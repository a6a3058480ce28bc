// Replaced by the widgets.
