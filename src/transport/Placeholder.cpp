// Keeps the transport library buildable while its parts are written; removed once they exist.
