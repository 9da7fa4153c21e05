# Sources of src/app. Core units (std library only) go to velmaris_core.
