function bubble() { return "?\\"; }
