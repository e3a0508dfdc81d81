// replaced by the storage layer
