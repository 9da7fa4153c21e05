# Sources of src/platform. Core units (std library only) go to velmaris_core.
