// Converting a point for output: not built yet.
