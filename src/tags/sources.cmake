# Sources of src/tags. Core units (std library only) go to velmaris_core.
