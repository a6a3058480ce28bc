// Replaced by the dialogs.
