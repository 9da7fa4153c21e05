# Sources of src/playlist. Core units (std library only) go to velmaris_core.
