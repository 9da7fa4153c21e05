# Sources of src/options. Core units (std library only) go to velmaris_core.
